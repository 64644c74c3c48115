// The window module loaded through the front exactly as the host does, with the real worker
// beside it: what the user sees while it works, and that nothing handed over is lost.

#include "accounts.h"
#include "notices.h"
#include "platform.h"
#include "request_fields.h"
#include "root_window.h"
#include "start_up.h"
#include "worker.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

Q_DECLARE_METATYPE(Job_State::Stage)

namespace {

void type_name(QWidget* app, int row, const QString& name)
{
    auto* cell = app->findChild<QLineEdit*>(QStringLiteral("收件人姓名[%1]").arg(row));
    QTest::keyClicks(cell, name);
}

QString caption(QWidget* app)
{
    return app->findChild<QPushButton*>(QStringLiteral("輸出單據"))->text();
}

std::string journal_file()
{
    return platform::local_path(output_folder) + "requests.jsonl";
}

// What the real worker does last: the request's line in the journal.
void record(const Record& request)
{
    std::filesystem::create_directories(platform::native_path(platform::local_path(output_folder)));
    platform::append_line(journal_file(), to_json_line(request));
}

// The recipients in the output folder's journal, after the first `skip` (an earlier test's).
std::vector<std::string> recorded_names(std::size_t skip = 0)
{
    std::ifstream file(journal_file());
    std::vector<std::string> names;
    for (std::string line; std::getline(file, line);) {
        const Record request = record_from_json_line(line);
        names.push_back(std::get<std::string>(request.at(request_key::recipient_name)));
    }
    names.erase(names.begin(), names.begin() + std::ptrdiff_t(std::min(skip, names.size())));
    return names;
}

// The host's work: channels, the worker on its own thread, the window, then waiting for the
// worker. `script` runs inside the window's event loop.
void run_host(const Producer& produce, const std::function<void(QWidget*)>& script)
{
    auto queues = make_std_queue_bundle();
    auto events = make_std_event_bundle();
    std::thread worker([&] {
        run_worker(
            dynamic_cast<Std_Queue&>((*queues)["get_receipt"]), (*events)["get_receipt"], produce);
    });
    QTimer::singleShot(0, qApp, [script] {
        QPointer<QWidget> app = shown_root_window();
        if (app.isNull()) {
            QTest::qFail("the main window is not shown", __FILE__, __LINE__);
            for (QWidget* window : QApplication::topLevelWidgets())
                window->deleteLater(); // ends the window's loop instead of hanging
            return;
        }
        script(app);
        if (app != nullptr)
            app->close();
    });
    load_window_module().GUI(*queues, *events);
    worker.join();
}

// A print system faked for the host's accounts: jobs numbered as they come, in the stage
// `answer` says, the first question held until `go_on` (while more jobs come). What is done is
// written down in order: "made <name>", "line <name>", "job <n>", "job line <列印>",
// "end line <結果>: <原因>".
namespace fake_printing {

std::mutex mutex;
std::condition_variable changed;
bool asked = false;
bool go_on = true;
std::atomic<int> jobs {0};
std::atomic<Job_State::Stage> answer {Job_State::Stage::printed};
std::vector<std::string> journal;

void write(const std::string& entry)
{
    const std::lock_guard lock(mutex);
    journal.push_back(entry);
}

void reset(Job_State::Stage stage, bool hold_first_question)
{
    const std::lock_guard lock(mutex);
    asked = false;
    go_on = !hold_first_question;
    jobs = 0;
    answer = stage;
    journal.clear();
}

std::string name_of(const Record& request)
{
    return std::get<std::string>(request.at(request_key::recipient_name));
}

Production_Report made(const Record& request)
{
    write("made " + name_of(request));
    Production_Report report;
    report.made = true;
    report.file = name_of(request) + ".pdf";
    return report;
}

void logged(const Record& request, Production_Report& report)
{
    write("line " + name_of(request));
    report.logged = true;
}

Print_Record printed(const std::vector<Record>& /*requests*/, const std::string& printer)
{
    write("job " + std::to_string(jobs + 1));
    return {printer, ++jobs, true, {}, {}};
}

std::map<int, Job_State> job_states(
    const std::string& /*printer*/, const std::vector<int>& asked_about)
{
    std::unique_lock lock(mutex);
    asked = true;
    changed.notify_all();
    changed.wait(lock, [] { return go_on; });
    std::map<int, Job_State> states;
    for (const int job : asked_about)
        states[job] = {answer.load(), answer == Job_State::Stage::unanswered ? "no answer" : ""};
    return states;
}

bool job_logged(const Record& /*request*/, const Record& entry)
{
    const auto text = [&](const char* key) {
        return entry.contains(key) ? std::get<std::string>(entry.at(key)) : std::string();
    };
    write(entry.contains("列印") ? "job line " + text("列印")
                                 : "end line " + text("結果") + ": " + text("原因"));
    return true;
}

void told(Host_Session*, const std::string&, const std::string&) { }

Worker_Library worker()
{
    Worker_Library worker;
    worker.make = made;
    worker.log = logged;
    worker.print = printed;
    worker.job_states = job_states;
    worker.log_job = job_logged;
    return worker;
}

Record request(const std::string& name)
{
    Record request;
    request[request_key::recipient_name] = name;
    request[request_key::format] = std::string(envelope_formats[0]);
    return request;
}

std::vector<std::string> journal_with(const std::string& start)
{
    const std::lock_guard lock(mutex);
    std::vector<std::string> found;
    for (const std::string& entry : journal) {
        if (entry.starts_with(start))
            found.push_back(entry);
    }
    return found;
}

} // namespace fake_printing

} // namespace

class Tst_Host : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;
    QTemporaryDir module_place_;

private slots:
    void notices_of_a_burst_are_one_notification_data()
    {
        // Notices as "milliseconds title", a tenth of a second apart unless given.
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QStringList>("shown"); // "milliseconds title: message"
        QTest::newRow("one alone") << QStringList {"0 A"} << QStringList {"800 A: 1"};
        QTest::newRow("seven rows of one press") << QStringList {"0 A", "100 A", "200 A", "300 A",
            "400 A", "500 A", "600 A"} << QStringList {"1400 A: 共 7 則，最後一則：7"};
        QTest::newRow("two kinds in one press") << QStringList {
            "0 A", "100 B", "200 A"} << QStringList {"900 B: 2", "1000 A: 共 2 則，最後一則：3"};
        QTest::newRow("two presses far apart")
            << QStringList {"0 A", "5000 A"} << QStringList {"800 A: 1", "5800 A: 2"};
        QStringList hundred;
        for (int press = 0; press < 100; ++press)
            hundred << QStringLiteral("%1 A").arg(press * 100);
        QTest::newRow("a hundred presses in ten seconds")
            << hundred
            << QStringList {"4000 A: 共 41 則，最後一則：41", "8100 A: 共 41 則，最後一則：82",
                   "10700 A: 共 18 則，最後一則：100"};
    }
    void notices_of_a_burst_are_one_notification()
    {
        QFETCH(QStringList, told);
        QFETCH(QStringList, shown);
        Notice_Board board;
        const Notice_Board::Clock::time_point start {};
        QStringList seen;
        int number = 0;
        for (int ms = 0; ms <= 20000; ms += 50) {
            const auto now = start + std::chrono::milliseconds(ms);
            for (const QString& notice : told) {
                if (notice.section(' ', 0, 0).toInt() == ms)
                    board.add(notice.section(' ', 1).toStdString(), std::to_string(++number), now);
            }
            for (const Notice& notice : board.due(now)) {
                seen << QStringLiteral("%1 %2: %3")
                            .arg(ms)
                            .arg(QString::fromStdString(notice.title),
                                QString::fromStdString(notice.message));
            }
        }
        QCOMPARE(seen, shown);
        QVERIFY(!board.next_due());
    }

    void initTestCase()
    {
        qputenv("HOME", home_.path().toUtf8()); // the output folder "C:/..." off Windows
        // The module is loaded from a folder of its own, whose template folder lacks the gear.
        const QString built = QString::fromStdString(platform::own_library_path("pelderwick_gui"));
        const QString module = module_place_.filePath(QFileInfo(built).fileName());
        QVERIFY(QFile::copy(built, module));
        const QDir templates(QFileInfo(built).dir().filePath(QStringLiteral("格式範本")));
        QVERIFY(QDir(module_place_.path()).mkdir(QStringLiteral("格式範本")));
        for (const QString& image : templates.entryList(QDir::Files)) {
            if (image != QStringLiteral("齒輪.png"))
                QFile::copy(templates.filePath(image),
                    module_place_.filePath(QStringLiteral("格式範本/") + image));
        }
        qputenv("PELDERWICK_WINDOW_MODULE", QDir::toNativeSeparators(module).toUtf8());
    }

    void module_takes_its_images_from_beside_its_own_file()
    {
        run_host([](const Record&) {},
            [](QWidget* app) {
                QVERIFY(!app->windowIcon().isNull());
                QVERIFY(app->findChild<QPushButton*>(QStringLiteral("logo.png")) != nullptr);
                QVERIFY(app->findChild<QPushButton*>(QStringLiteral("齒輪.png"))->icon().isNull());
            });
    }

    void busy_worker_animates_the_caption_and_every_request_is_recorded()
    {
        auto slow = [](const Record& request) {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            record(request);
        };
        const std::size_t before = recorded_names().size();
        run_host(slow, [](QWidget* app) {
            type_name(app, 0, "first");
            type_name(app, 1, "second");
            QTest::mouseClick(
                app->findChild<QPushButton*>(QStringLiteral("輸出單據")), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(caption(app), QStringLiteral("輸出中."), 2000);
            QTRY_COMPARE_WITH_TIMEOUT(caption(app), QStringLiteral("輸出中.."), 2000);
            QTRY_COMPARE_WITH_TIMEOUT(caption(app), QStringLiteral("輸出單據"), 5000);
        });
        QCOMPARE(recorded_names(before), (std::vector<std::string> {"first", "second"}));
    }

    void closing_while_the_worker_is_busy_loses_nothing()
    {
        const std::size_t before = recorded_names().size();
        auto slow = [](const Record& request) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            record(request);
        };
        run_host(slow, [](QWidget* app) {
            auto* output = app->findChild<QPushButton*>(QStringLiteral("輸出單據"));
            for (int row = 0; row < 7; ++row)
                type_name(app, row, QStringLiteral("r%1").arg(row));
            QTest::mouseClick(output, Qt::LeftButton);
            QTest::mouseClick(output, Qt::LeftButton);
        });
        QCOMPARE(recorded_names(before).size(), std::size_t(14));
    }

    void print_jobs_handed_over_while_others_are_followed_all_end()
    {
        namespace fake = fake_printing;
        fake::reset(Job_State::Stage::going, true);
        const Worker_Library worker = fake::worker();
        Host_Qt host;
        host.tell = fake::told;
        Accounts accounts(worker, host, nullptr, "a printer");
        const auto press = [&] {
            accounts.produce(fake::request("王小明"));
            accounts.batch_done();
        };
        press();
        {
            // The follower is asking about the first job, its place in the list kept meanwhile.
            std::unique_lock lock(fake::mutex);
            QVERIFY(
                fake::changed.wait_for(lock, std::chrono::seconds(10), [] { return fake::asked; }));
        }
        for (int more = 0; more < 40; ++more)
            press();
        fake::answer = Job_State::Stage::printed;
        {
            const std::lock_guard lock(fake::mutex);
            fake::go_on = true;
        }
        fake::changed.notify_all();
        const std::atomic<bool> hurry {false};
        QCOMPARE(accounts.finish(std::chrono::seconds(30), hurry), 0);
        QCOMPARE(fake::jobs.load(), 41);
        QCOMPARE(fake::journal_with("end line 已印出").size(), std::size_t(41));
    }

    void every_job_gets_its_lines_whatever_the_print_system_says_data()
    {
        QTest::addColumn<Job_State::Stage>("stage"); // what the print system answers
        QTest::addColumn<bool>("hurried"); // the user asked to end while jobs were followed
        QTest::addColumn<QString>("end"); // each job's last line
        QTest::addColumn<int>("status");
        using Stage = Job_State::Stage;
        QTest::newRow("printed") << Stage::printed << false << "end line 已印出: " << 0;
        QTest::newRow("cancelled") << Stage::failed << false << "end line 沒有印出: " << 1;
        QTest::newRow("with the spooler")
            << Stage::queued << false << "end line 已交給列印佇列: " << 0;
        QTest::newRow("gone from the print system's history")
            << Stage::unknown << false << "end line 列印結果未知: " << 1;
        QTest::newRow("a print system gone silent")
            << Stage::unanswered << false << "end line 列印結果未知: no answer" << 1;
        QTest::newRow("still printing at the end")
            << Stage::going << false
            << "end line 列印結果未知: 程式結束時還沒有印完，列印系統還留著這份工作" << 1;
        QTest::newRow("still printing, the user asks to end")
            << Stage::going << true
            << "end line 列印結果未知: 程式結束時還沒有印完，列印系統還留著這份工作" << 1;
    }
    void every_job_gets_its_lines_whatever_the_print_system_says()
    {
        QFETCH(Job_State::Stage, stage);
        QFETCH(bool, hurried);
        QFETCH(QString, end);
        QFETCH(int, status);
        namespace fake = fake_printing;
        fake::reset(stage, false);
        const Worker_Library worker = fake::worker();
        Host_Qt host;
        host.tell = fake::told;
        Accounts accounts(worker, host, nullptr, "a printer");
        for (const char* name : {"甲", "乙"}) { // two presses
            accounts.produce(fake::request(name));
            accounts.produce(fake::request(std::string(name) + "二"));
            accounts.batch_done();
        }
        // Each envelope's line comes as soon as it is made, before its job is handed over.
        QCOMPARE(fake::journal_with(""),
            (std::vector<std::string> {"made 甲", "line 甲", "made 甲二", "line 甲二", "job 1",
                "job line 已送印", "made 乙", "line 乙", "made 乙二", "line 乙二", "job 2",
                "job line 已送印"}));
        std::atomic<bool> hurry {hurried};
        QElapsedTimer waited;
        waited.start();
        // Hurried, the wait for jobs still printing ends at once instead of after its patience.
        QCOMPARE(accounts.finish(std::chrono::seconds(hurried ? 30 : 3), hurry), status);
        QVERIFY(waited.elapsed() < 10000);
        QCOMPARE(fake::journal_with("end line"),
            (std::vector<std::string> {end.toStdString(), end.toStdString()}));
    }

    void failing_request_is_reported_and_the_worker_goes_on()
    {
        const std::size_t before = recorded_names().size();
        int seen = 0;
        auto flaky = [&seen](const Record& request) {
            if (++seen == 1)
                throw std::runtime_error("printer on fire");
            record(request);
        };
        run_host(flaky, [](QWidget* app) {
            type_name(app, 0, "lost");
            type_name(app, 1, "kept");
            QTest::mouseClick(
                app->findChild<QPushButton*>(QStringLiteral("輸出單據")), Qt::LeftButton);
        });
        QCOMPARE(recorded_names(before), std::vector<std::string> {"kept"});
    }
};

QTEST_MAIN(Tst_Host)
#include "tst_host.moc"
