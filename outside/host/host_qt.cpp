#include "host_qt.h"

#include "demo.h"
#include "exports.h"
#include "platform.h"

#include <QApplication>
#include <QTimer>
#include <type_traits>

extern "C" PELDERWICK_EXPORT QApplication* pelderwick_host_begin(bool offscreen)
{
    static int argc = 1;
    static char name[] = "Pelderwick";
    static char* argv[] = {name, nullptr};
    if (offscreen) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Offscreen, Qt on Windows reads its fonts from one folder only.
        const std::string fonts = platform::system_font_folder();
        if (!fonts.empty() && qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
            qputenv("QT_QPA_FONTDIR", QByteArray::fromStdString(fonts));
    }
    return new QApplication(argc, argv);
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_start_demo(const std::atomic<int>& envelopes_made)
{
    // Queued, so that it runs once the window is built and shown.
    QTimer::singleShot(0, qApp, [&envelopes_made] { run_demo(envelopes_made); });
}

extern "C" PELDERWICK_EXPORT void pelderwick_host_end(QApplication* application)
{
    delete application;
}

static_assert(std::is_same_v<decltype(&pelderwick_host_begin), decltype(Host_Qt::begin)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_start_demo), decltype(Host_Qt::start_demo)>);
static_assert(std::is_same_v<decltype(&pelderwick_host_end), decltype(Host_Qt::end)>);
