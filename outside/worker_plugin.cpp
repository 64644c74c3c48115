#include "envelope.h"
#include "platform.h"
#include "worker.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <memory>

#if defined(_WIN32)
#define WORKER_EXPORT extern "C" __declspec(dllexport)
#else
#define WORKER_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::unique_ptr<QApplication> application;
std::atomic<int> envelopes_made {0};

void type(QWidget* app, const char* name, const char* text)
{
    if (auto* field = app->findChild<QLineEdit*>(QString::fromUtf8(name)))
        field->setText(QString::fromUtf8(text));
}

QWidget* main_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("app"))
            return widget;
    }
    return nullptr;
}

void finish_demo(QWidget* app)
{
    const std::string folder = platform::local_path("C:/brintlow/Pelderwick/");
    const std::string shot = folder + "demo-window.png";
    app->grab().save(QString::fromStdString(shot));
    std::printf("Demo: %d envelopes (PDF), requests.jsonl and a picture of the window are in %s\n"
                "Demo: the picture is %s\n",
        envelopes_made.load(), folder.c_str(), shot.c_str());
    std::fflush(stdout);
    app->close();
}

void wait_for_envelopes(QWidget* app, int expected, int polls_left)
{
    if (envelopes_made.load() >= expected || polls_left == 0) {
        finish_demo(app);
        return;
    }
    QTimer::singleShot(50, app, [=] { wait_for_envelopes(app, expected, polls_left - 1); });
}

void run_demo()
{
    QWidget* app = main_window();
    if (app == nullptr)
        return;
    type(app, "寄件人姓名", "陳大文");
    type(app, "寄件人郵遞區號", "106");
    type(app, "寄件人地址", "臺北市大安區復興南路一段390號");
    type(app, "收件人姓名[0]", "王小明");
    type(app, "收件人郵遞區號[0]", "403041");
    type(app, "收件人地址[0]", "臺中市西區民權路91號5樓");
    type(app, "收件人姓名[1]", "林美玲");
    type(app, "收件人郵遞區號[1]", "800");
    type(app, "收件人地址[1]", "高雄市新興區中正三路2號");
    type(app, "收件人姓名[2]", "Chang Wei-Lun 張偉倫");
    type(app, "收件人郵遞區號[2]", "970001");
    type(app, "收件人地址[2]", "花蓮縣花蓮市中山路100巷3弄8號");
    // The format menu starts on "12K直式信封(11.5cm x 23cm)": a vertical format.
    const int expected = envelopes_made.load() + 3;
    app->findChild<QPushButton*>(QStringLiteral("輸出單據"))->click();
    wait_for_envelopes(app, expected, 600);
}

} // namespace

WORKER_EXPORT void pelderwick_worker_begin(bool offscreen)
{
    static int argc = 1;
    static char name[] = "Pelderwick";
    static char* argv[] = {name, nullptr};
    if (offscreen)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    application = std::make_unique<QApplication>(argc, argv);
}

WORKER_EXPORT void pelderwick_worker_produce(const Record& request)
{
    record_request(request);
    make_envelope(request);
    ++envelopes_made;
}

WORKER_EXPORT void pelderwick_worker_start_demo()
{
    QTimer::singleShot(0, application.get(), run_demo);
}

WORKER_EXPORT void pelderwick_worker_end()
{
    application.reset();
}
