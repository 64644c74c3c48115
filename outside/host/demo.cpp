#include "demo.h"

#include "platform.h"
#include "request_fields.h"
#include "root_window.h"

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

void finish(QWidget* app, int made)
{
    const std::string folder = platform::local_path(output_folder);
    const std::string shot = folder + "demo-window.png";
    app->grab().save(QString::fromStdString(shot));
    platform::write_line(stdout,
        "Demo: " + std::to_string(made)
            + " envelopes (PDF), requests.jsonl and a picture of the window are in " + folder);
    platform::write_line(stdout, "Demo: the picture is " + shot);
    app->close();
}

void wait_for_envelopes(QWidget* app, const std::atomic<int>& made, int expected, int polls_left)
{
    if (made.load() >= expected || polls_left == 0) {
        finish(app, made.load());
        return;
    }
    QTimer::singleShot(50, app, [app, &made, expected, polls_left] {
        wait_for_envelopes(app, made, expected, polls_left - 1);
    });
}

} // namespace

void run_demo(const std::atomic<int>& envelopes_made)
{
    QWidget* app = shown_root_window();
    if (app == nullptr)
        return;
    fill(app);
    // The format menu starts on the first format, a vertical one.
    const int expected = envelopes_made.load() + 3;
    app->findChild<QPushButton*>(QStringLiteral("輸出單據"))->click();
    wait_for_envelopes(app, envelopes_made, expected, 600);
}
