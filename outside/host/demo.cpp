#include "demo.h"

#include "lines.h"
#include "platform.h"
#include "request_fields.h"
#include "root_window.h"

#include <QBuffer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <string>

namespace {

void type(QWidget* app, const std::string& name, const char* text)
{
    if (auto* field = app->findChild<QLineEdit*>(QString::fromStdString(name)))
        field->setText(QString::fromUtf8(text));
}

void fill(QWidget* app)
{
    using namespace request_key;
    type(app, sender_name, "陳大文");
    type(app, sender_postal_code, "106");
    type(app, sender_address, "臺北市大安區復興南路一段390號");
    const char* recipients[3][3] = {{"王小明", "403041", "臺中市西區民權路91號5樓"},
        {"林美玲", "800", "高雄市新興區中正三路2號"},
        {"Chang Wei-Lun 張偉倫", "970001", "花蓮縣花蓮市中山路100巷3弄8號"}};
    for (int row = 0; row < 3; ++row) {
        type(app, cell_name(recipient_name, row), recipients[row][0]);
        type(app, cell_name(recipient_postal_code, row), recipients[row][1]);
        type(app, cell_name(recipient_address, row), recipients[row][2]);
    }
}

// The picture goes where the envelopes go, complete or not at all.
bool save_picture(QWidget* app, const std::string& folder)
{
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !app->grab().save(&buffer, "PNG"))
        return false;
    try {
        platform::Unpublished_File file(folder);
        file.write(std::string_view(png.constData(), std::size_t(png.size())));
        return file.publish("demo-window.png", true);
    } catch (const std::exception& error) {
        report_line(std::string("Demo: ") + error.what());
        return false;
    }
}

// What the worker had done before the demo pressed.
struct Before
{
    int finished;
    int made;
    int logged;
    int presses;
};

void finish(QWidget* app, const Worker_Progress& progress, Before before,
    const std::function<void(bool)>& finished)
{
    const std::string folder = platform::local_path(output_folder);
    const int made = progress.made.load() - before.made;
    const int logged = progress.logged.load() - before.logged;
    say_line("Demo: " + std::to_string(made) + " of 3 envelopes made (PDF), "
        + (logged == 3 ? "with " + progress.log_file()
                       : std::to_string(logged) + " of 3 written in " + progress.log_file())
        + ", in " + folder);
    if (const auto job = progress.last_job()) {
        say_line("Demo: "
            + (job->handed ? "printed on " + job->printer + " as job " + std::to_string(job->number)
                           : "not printed on " + job->printer + " (see above)"));
    }
    const bool saved = save_picture(app, folder);
    if (saved)
        say_line("Demo: the picture is " + folder + "demo-window.png");
    else
        say_line("Demo: the picture of the window could not be saved in " + folder);
    finished(saved && made == 3 && logged == 3);
    app->close();
}

void wait_for_worker(QWidget* app, const Worker_Progress& progress, Before before,
    const std::function<void(bool)>& finished)
{
    // The press is done once its envelopes are made and, where they go to a printer, handed over.
    if (progress.finished.load() >= before.finished + 3
        && progress.presses.load() >= before.presses + 1) {
        finish(app, progress, before, finished);
        return;
    }
    QTimer::singleShot(
        50, app, [=, &progress] { wait_for_worker(app, progress, before, finished); });
}

} // namespace

void run_demo(const Worker_Progress& progress, const std::function<void(bool done_all)>& finished)
{
    QWidget* app = shown_root_window();
    if (app == nullptr) {
        finished(false);
        return;
    }
    fill(app);
    // The format menu starts on the first format, a vertical one.
    const Before before {progress.finished.load(), progress.made.load(), progress.logged.load(),
        progress.presses.load()};
    app->findChild<QPushButton*>(QString::fromUtf8(output_button))->click();
    wait_for_worker(app, progress, before, finished);
}
