#include "demo.h"

#include "lines.h"
#include "platform.h"
#include "request_fields.h"
#include "root_window.h"

#include <QBuffer>
#include <QFile>
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

std::string cell(const char* column, int row)
{
    return std::string(column) + "[" + std::to_string(row) + "]";
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
        type(app, cell(recipient_name, row), recipients[row][0]);
        type(app, cell(recipient_postal_code, row), recipients[row][1]);
        type(app, cell(recipient_address, row), recipients[row][2]);
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
        QFile device;
        return device.open(file.descriptor(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)
            && device.write(png) == png.size() && device.flush()
            && file.publish("demo-window.png", true);
    } catch (const std::exception& error) {
        report_line(std::string("Demo: ") + error.what());
        return false;
    }
}

void finish(QWidget* app, const Worker_Progress& progress, int made_before,
    const std::function<void(bool)>& finished)
{
    const std::string folder = platform::local_path(output_folder);
    const int made = progress.made.load() - made_before;
    say_line("Demo: " + std::to_string(made)
        + " of 3 envelopes made (PDF), with requests.jsonl, in " + folder);
    const bool saved = save_picture(app, folder);
    if (saved)
        say_line("Demo: the picture is " + folder + "demo-window.png");
    else
        say_line("Demo: the picture of the window could not be saved in " + folder);
    finished(saved && made == 3);
    app->close();
}

void wait_for_worker(QWidget* app, const Worker_Progress& progress, int made_before, int expected,
    const std::function<void(bool)>& finished)
{
    if (progress.finished.load() >= expected) {
        finish(app, progress, made_before, finished);
        return;
    }
    QTimer::singleShot(50, app,
        [=, &progress] { wait_for_worker(app, progress, made_before, expected, finished); });
}

} // namespace

void run_demo(const Worker_Progress& progress, std::function<void(bool done_all)> finished)
{
    QWidget* app = shown_root_window();
    if (app == nullptr) {
        finished(false);
        return;
    }
    fill(app);
    // The format menu starts on the first format, a vertical one.
    const int expected = progress.finished.load() + 3;
    const int made_before = progress.made.load();
    app->findChild<QPushButton*>(QStringLiteral("輸出單據"))->click();
    wait_for_worker(app, progress, made_before, expected, finished);
}
