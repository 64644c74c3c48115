// A monkey at the window: thousands of random actions (typing, pasting, clearing, the trash can,
// formats, settings dialogs, the folder and help buttons with a shell and a browser that
// sometimes fail, output clicks) while a worker beside it is idle, slow or stopped by turns.
// Afterwards every request is accounted for: each click handed over exactly what the screen
// showed, and the worker got every request once, in order.
// MONKEY_SEED and MONKEY_ACTIONS repeat a run or make it longer.

#include "platform.h"
#include "request_fields.h"
#include "toolkit.h"
#include "window_driver.h"
#include "worker.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <array>
#include <condition_variable>
#include <random>
#include <thread>

namespace {

const char* const sender_fields[]
    = {request_key::sender_name, request_key::sender_postal_code, request_key::sender_address};
const char* const recipient_columns[] = {request_key::recipient_name,
    request_key::recipient_postal_code, request_key::recipient_address};

// Ratio texts with what the dialog makes of them and the hint it then shows.
struct Ratio_Case
{
    const char* text;
    Value ratio;
    const char* hint;
};
const Ratio_Case ratio_cases[] = {
    {"", 1LL, "100"},
    {"80", 0.8, "80.0"},
    {"  50 ", 0.5, "50.0"},
    {"１２０", 1.2, "120.0"},
    {"٤٠", 0.4, "40.0"},
    {"12.5", 0.125, "12.5"},
    {"1e2", 1.0, "100.0"},
    {"abc", 1LL, "100"},
    {"-5", -0.05, "-5.0"},
    {"1e-305", 1e-307, "9.999999999999999e-306"}, // sizes the envelope must still keep in range
    {"1e300", 1e300 / 100, "1e+300"},
    {"1e-330", 0.0, "0.0"},
};

// What the user sees, and so what a click must hand over.
struct Screen
{
    std::array<std::string, 3> sender;
    std::array<std::array<std::string, 3>, 7> rows;
    std::string format = envelope_formats[0];
    std::size_t ratio_case = 0;
    std::string chinese = "微軟正黑體";
    std::string latin = "Calibri";
};

struct Open_Dialog
{
    QPointer<QWidget> window;
    std::size_t ratio_case = 0;
    std::string chinese;
    std::string latin;
};

std::vector<Record> expected_requests(const Screen& screen)
{
    std::vector<Record> requests;
    for (std::size_t row = 0; row < screen.rows.size(); ++row) {
        const auto& cells = screen.rows[row];
        if (row != 0 && cells[0].empty() && cells[1].empty() && cells[2].empty())
            continue;
        Record& request = requests.emplace_back();
        using namespace request_key;
        const std::pair<const char*, Value> fields[] = {{format, screen.format},
            {mailing_method, std::string()}, {sender_name, screen.sender[0]},
            {sender_postal_code, screen.sender[1]}, {sender_address, screen.sender[2]},
            {folder, std::string(output_folder)}, {input_mode, std::string("手動輸入模式")},
            {size_ratio, ratio_cases[screen.ratio_case].ratio}, {chinese_font, screen.chinese},
            {latin_font, screen.latin}, {recipient_name, cells[0]},
            {recipient_postal_code, cells[1]}, {recipient_address, cells[2]}};
        for (const auto& [key, value] : fields)
            request[key] = value;
    }
    return requests;
}

// The worker beside the window: takes each request after a pause that the monkey changes, and
// takes nothing at all while stopped.
class Monkey_Worker
{
public:
    explicit Monkey_Worker(Recorded_Channels& channels)
        : thread_([this, &channels] {
            run_worker(*channels.get_receipt_queue, *channels.get_receipt_event,
                [this](const Record& request) { produce(request); });
        })
    { }
    ~Monkey_Worker() { resume_and_join(); }

    void change(bool stopped, int work_us)
    {
        std::lock_guard lock(mutex_);
        stopped_ = stopped;
        work_us_ = work_us;
        resumed_.notify_all();
    }
    void resume_and_join()
    {
        change(false, 0);
        if (thread_.joinable())
            thread_.join();
    }
    std::vector<Record> produced()
    {
        std::lock_guard lock(mutex_);
        return produced_;
    }

private:
    void produce(const Record& request)
    {
        std::unique_lock lock(mutex_);
        resumed_.wait(lock, [this] { return !stopped_; });
        const auto pause = std::chrono::microseconds(work_us_);
        lock.unlock();
        std::this_thread::sleep_for(pause);
        lock.lock();
        produced_.push_back(request);
    }

    std::mutex mutex_;
    std::condition_variable resumed_;
    bool stopped_ = false;
    int work_us_ = 0;
    std::vector<Record> produced_;
    std::thread thread_;
};

int environment_number(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

class Monkey
{
public:
    Monkey(QWidget* app, Monkey_Worker& worker, unsigned seed)
        : app_(app)
        , worker_(worker)
        , random_(seed)
    { }

    void act();
    std::vector<Record> expected;
    int folder_clicks = 0;
    int help_clicks = 0;

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    bool chance(int percent) { return pick(100) < percent; }
    QString junk_text();
    void enter(QLineEdit* edit, const QString& text);
    std::pair<QLineEdit*, std::string*> some_field();
    void edit_a_field();
    void clear_a_field();
    void empty_the_table();
    void choose_a_format();
    void press_output();
    void open_a_dialog();
    void work_in_a_dialog();
    void change_the_worker();
    void wait_a_little();

    QWidget* app_;
    Monkey_Worker& worker_;
    std::mt19937 random_;
    Screen screen_;
    std::vector<Open_Dialog> dialogs_;
};

QString Monkey::junk_text()
{
    static const char* const pieces[] = {"a", "Z", "7", " ", "\t", "王", "臺北", "😀", "𠀀",
        "\u200f", "é", "e\u0301", "-", ".", "#", "\\", "/", "\"", "{", "}", "０", "\n"};
    QString text;
    for (int count = pick(12); count > 0; --count)
        text += QString::fromUtf8(pieces[pick(int(std::size(pieces)))]);
    return text;
}

// Types short texts key by key; longer ones, and anything with control characters, are pasted.
void Monkey::enter(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    const bool plain = std::none_of(
        text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
    if (plain && text.size() < 8) {
        type_into(edit, text);
    } else {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
}

std::pair<QLineEdit*, std::string*> Monkey::some_field()
{
    const int which = pick(3 + 21);
    if (which < 3)
        return {field(app_, sender_fields[which]), &screen_.sender[std::size_t(which)]};
    const int row = (which - 3) / 3;
    const int column = (which - 3) % 3;
    return {cell(app_, recipient_columns[column], row),
        &screen_.rows[std::size_t(row)][std::size_t(column)]};
}

void Monkey::edit_a_field()
{
    auto [edit, shown] = some_field();
    const QString text = junk_text();
    enter(edit, text);
    // A line edit keeps a pasted line break as it is; nothing typed is changed or dropped.
    QCOMPARE(edit->text(), text);
    *shown = text.toStdString();
}

void Monkey::clear_a_field()
{
    auto [edit, shown] = some_field();
    enter(edit, QString());
    QCOMPARE(edit->text(), QString());
    shown->clear();
}

void Monkey::empty_the_table()
{
    click(button(app_, "垃圾桶.png"));
    screen_.rows = {};
}

void Monkey::choose_a_format()
{
    auto* menu = find<Option_Menu>(app_, "optionmenu_001");
    const int index = pick(int(menu->values().size()));
    choose(menu, index);
    screen_.format = menu->drop_down()->actions().at(index)->text().toStdString();
}

void Monkey::press_output()
{
    const auto more = expected_requests(screen_);
    expected.insert(expected.end(), more.begin(), more.end());
    click(button(app_, "輸出單據"));
}

void Monkey::open_a_dialog()
{
    Open_Dialog dialog {open_dialog(app_), 0, screen_.chinese, screen_.latin};
    QVERIFY(dialog.window != nullptr);
    QCOMPARE(find<QLineEdit>(dialog.window, "entry")->placeholderText(),
        QString::fromUtf8(ratio_cases[screen_.ratio_case].hint));
    dialogs_.push_back(dialog);
}

void Monkey::work_in_a_dialog()
{
    std::erase_if(dialogs_, [](const Open_Dialog& dialog) { return dialog.window.isNull(); });
    if (dialogs_.empty())
        return open_a_dialog();
    Open_Dialog& dialog = dialogs_[std::size_t(pick(int(dialogs_.size())))];
    switch (pick(4)) {
    case 0: {
        dialog.ratio_case = std::size_t(pick(int(std::size(ratio_cases))));
        enter(find<QLineEdit>(dialog.window, "entry"),
            QString::fromUtf8(ratio_cases[dialog.ratio_case].text));
        break;
    }
    case 1: {
        const bool chinese = chance(50);
        auto* menu
            = find<Option_Menu>(dialog.window, chinese ? "optionmenu_004_B" : "optionmenu_004_A");
        const int index = pick(int(menu->values().size()));
        choose(menu, index);
        (chinese ? dialog.chinese : dialog.latin) = menu->values().at(index).toStdString();
        break;
    }
    case 2:
        click(find<QPushButton>(dialog.window, "button_1"));
        screen_.ratio_case = dialog.ratio_case;
        screen_.chinese = dialog.chinese;
        screen_.latin = dialog.latin;
        break;
    default:
        dialog.window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void Monkey::change_the_worker()
{
    const int state = pick(3);
    worker_.change(state == 0, state == 1 ? pick(3000) : 0);
}

void Monkey::wait_a_little()
{
    QTest::qWait(pick(30));
    static const QStringList captions = {QStringLiteral("輸出單據"), QStringLiteral("輸出中."),
        QStringLiteral("輸出中.."), QStringLiteral("輸出中...")};
    QVERIFY2(captions.contains(output_caption(app_)), qPrintable(output_caption(app_)));
}

void Monkey::act()
{
    const int roll = pick(100);
    if (roll < 35)
        edit_a_field();
    else if (roll < 43)
        clear_a_field();
    else if (roll < 46)
        empty_the_table();
    else if (roll < 51)
        choose_a_format();
    else if (roll < 66)
        press_output();
    else if (roll < 70 && dialogs_.size() < 3)
        open_a_dialog();
    else if (roll < 82)
        work_in_a_dialog();
    else if (roll < 86)
        change_the_worker();
    else if (roll < 88)
        ++folder_clicks, click(button(app_, "資料夾.png"));
    else if (roll < 90)
        ++help_clicks, click(button(app_, "問號001.png"));
    else
        wait_a_little();
}

std::string describe(const std::vector<Record>& requests, std::size_t at)
{
    return at < requests.size() ? to_json_line(requests[at]) : "(none)";
}

// Compares request lists one by one, so that a failure names the first request that differs.
void compare_requests(const std::vector<Record>& actual, const std::vector<Record>& wanted)
{
    for (std::size_t i = 0; i < std::max(actual.size(), wanted.size()); ++i) {
        if (i >= actual.size() || i >= wanted.size() || actual[i] != wanted[i]) {
            QFAIL(qPrintable(QStringLiteral("request %1 of %2/%3:\n got  %4\n want %5")
                                 .arg(i)
                                 .arg(actual.size())
                                 .arg(wanted.size())
                                 .arg(QString::fromStdString(describe(actual, i)),
                                     QString::fromStdString(describe(wanted, i)))));
        }
    }
}

} // namespace

class Tst_Monkey : public QObject
{
    Q_OBJECT

private slots:
    void random_actions_lose_and_invent_no_request()
    {
        const unsigned seed = unsigned(environment_number("MONKEY_SEED", 20261208));
        const int actions = environment_number("MONKEY_ACTIONS", 5000);
        qInfo("seed %u, %d actions", seed, actions);
        std::mt19937 faults(seed);
        std::vector<std::string> shell_lines;
        std::vector<std::string> browser_asked;
        long failures_to_report = 0; // a shell that cannot start; a browser raising on both
        platform::set_process_starter([&](const std::string& line) {
            shell_lines.push_back(line);
            if (faults() % 3 == 0) {
                ++failures_to_report;
                throw std::runtime_error("cannot start the shell");
            }
        });
        platform::set_url_opener([&](const std::string& url) {
            browser_asked.push_back(url);
            if (faults() % 3 == 0) {
                failures_to_report += url.starts_with("http://");
                throw std::runtime_error("no browser");
            }
            return faults() % 2 == 0;
        });
        const auto windows_before = QApplication::topLevelWidgets().size();
        Recorded_Channels channels;
        Monkey_Worker worker(channels);
        std::vector<Record> expected;
        int folder_clicks = 0;
        int help_clicks = 0;
        std::size_t printed = 0;
        long reported = 0;
        {
            Stdout_Capture output;
            Stdout_Capture errors(2);
            run_window(channels, [&](QWidget* app) {
                Monkey monkey(app, worker, seed);
                for (int i = 0; i < actions && !QTest::currentTestFailed(); ++i)
                    monkey.act();
                expected = monkey.expected;
                folder_clicks = monkey.folder_clicks;
                help_clicks = monkey.help_clicks;
                worker.change(false, 0);
            });
            const auto lines = output.lines();
            printed = std::size_t(std::count_if(lines.begin(), lines.end(),
                [](const std::string& line) { return line.starts_with('{'); }));
            const auto error_lines = errors.lines();
            reported = std::count_if(
                error_lines.begin(), error_lines.end(), [](const std::string& line) {
                    return line == "callback 資料夾.png failed: cannot start the shell"
                        || line == "try_except_log: logged error: no browser";
                });
        }
        platform::set_process_starter({});
        platform::set_url_opener({});
        worker.resume_and_join();
        if (QTest::currentTestFailed())
            return;
        qInfo("%zu requests from the clicks, %d folder and %d help clicks", expected.size(),
            folder_clicks, help_clicks);

        compare_requests(channels.journal->requests(), expected);
        compare_requests(worker.produced(), expected);
        QCOMPARE(printed, expected.size());
        const auto entries = channels.journal->entries();
        QCOMPARE(std::vector<std::string>(entries.end() - 3, entries.end()),
            (std::vector<std::string> {"put end null", "set end", "put get_receipt null"}));
        QCOMPARE(shell_lines,
            std::vector<std::string>(
                std::size_t(folder_clicks), "explorer C:\\brintlow\\Pelderwick"));
        QCOMPARE(reported, failures_to_report);
        QCOMPARE(std::count_if(browser_asked.begin(), browser_asked.end(),
                     [](const std::string& url) { return url.starts_with("https://"); }),
            help_clicks);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(QApplication::topLevelWidgets().size(), windows_before);
    }
};

QTEST_MAIN(Tst_Monkey)
#include "tst_monkey.moc"
