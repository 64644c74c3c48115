// Opens the real window beside whatever template folder lies next to this program, reports what
// the user would see, and closes it. The template tests copy it next to broken folders.

#include "gui.h"
#include "lines.h"
#include "root_window.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace {

void report(QWidget* app)
{
    // Through the program's own writer, so that it keeps its place among the window's lines.
    say_line(std::string("icon=") + (app->windowIcon().isNull() ? "no" : "yes"));
    QStringList present;
    for (const char* name :
        {"logo.png", "logo(僅文字).png", "image_logo_text", "輸出單據", "齒輪.png", "資料夾.png",
            "垃圾桶.png", "問號001.png", "optionmenu_001", "寄件人地址", "收件人地址[6]"}) {
        if (app->findChild<QWidget*>(QString::fromUtf8(name)) != nullptr)
            present << QString::fromUtf8(name);
    }
    say_line("widgets=" + present.join(QLatin1Char(',')).toStdString());
    auto* gear = app->findChild<QPushButton*>(QStringLiteral("齒輪.png"));
    say_line(
        std::string("gear_image=") + (gear != nullptr && !gear->icon().isNull() ? "yes" : "no"));
    app->close();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTimer::singleShot(0, &application, [] {
        if (QWidget* app = shown_root_window())
            report(app);
    });
    auto queues = make_std_queue_bundle();
    auto events = make_std_event_bundle();
    GUI(*queues, *events);
    return 0;
}
