// The window module loaded through the front exactly as the host does, with the real worker
// beside it: what the user sees while it works, and that nothing handed over is lost.

#include "outputs.h"
#include "notices.h"
#include "platform.h"
#include "request_fields.h"
#include "sample_request.h"
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
        if (request.contains(request_key::recipient_name)) // not a print job's line
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

// The print system, faked: jobs numbered as they come, each in the stage `answer` says (with
// `reason`); the first question about them held until `go_on`, while more jobs come.
struct Fake_Print_System
{
    std::mutex mutex;
    std::condition_variable changed;
    bool asked = false;
    bool go_on = true;
    std::string destination = "EnvFake";
    std::atomic<int> jobs {0};
    std::atomic<Job_State::Stage> answer {Job_State::Stage::printed};
    std::string reason;

    class Service final : public Print_Service
    {
    public:
        explicit Service(Fake_Print_System& system)
            : system_(system)
        { }

        std::string destination() override
        {
            const std::lock_guard lock(system_.mutex);
            return system_.destination;
        }

        Printed_Job print(const std::vector<Record>& /*requests*/, const std::string& printer) override
        {
            Printed_Job job;
            job.handed = true;
            job.printer = printer;
            job.job = ++system_.jobs;
            return job;
        }

        std::map<int, Job_State> job_states(
            const std::string& /*printer*/, const std::vector<int>& jobs) override
        {
            std::unique_lock lock(system_.mutex);
            system_.asked = true;
            system_.changed.notify_all();
            system_.changed.wait(lock, [this] { return system_.go_on; });
            std::map<int, Job_State> states;
            for (const int job : jobs)
                states[job] = {system_.answer.load(), system_.reason};
            return states;
        }

    private:
        Fake_Print_System& system_;
    };

    std::unique_ptr<Print_Service> service() { return std::make_unique<Service>(*this); }
};

Record request_for(const std::string& name)
{
    Record request = sample_request(envelope_formats[0], name);
    return request;
}

// The lines of the journal after the first `skip`, as "envelope <name>", "job <列印>" and
// "end <結果>: <原因>".
std::vector<std::string> journal_lines(std::size_t skip)
{
    std::ifstream file(journal_file());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        const Record entry = record_from_json_line(line);
        const auto text = [&](const char* key) {
            return entry.contains(key) ? std::get<std::string>(entry.at(key)) : std::string();
        };
        if (entry.contains(request_key::recipient_name))
            lines.push_back("envelope " + text(request_key::recipient_name));
        else if (entry.contains("列印"))
            lines.push_back("job " + text("列印") + (text("原因").empty() ? "" : ": " + text("原因")));
        else
            lines.push_back("end " + text("結果") + ": " + text("原因"));
    }
    lines.erase(lines.begin(), lines.begin() + std::ptrdiff_t(std::min(skip, lines.size())));
    return lines;
}

std::size_t journal_size()
{
    return journal_lines(0).size();
}

void quiet(const std::string&, const std::string&) { }

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
        Fake_Print_System system;
        system.go_on = false;
        const std::size_t before = journal_size();
        Outputs outputs(quiet, "", system.service());
        const auto press = [&] {
            outputs.produce(request_for("王小明"));
            outputs.press_done();
        };
        press();
        {
            // The follower is asking about the first job, its place in the list kept meanwhile.
            std::unique_lock lock(system.mutex);
            QVERIFY(system.changed.wait_for(
                lock, std::chrono::seconds(10), [&] { return system.asked; }));
        }
        for (int more = 0; more < 40; ++more)
            press();
        {
            const std::lock_guard lock(system.mutex);
            system.go_on = true;
        }
        system.changed.notify_all();
        const std::atomic<bool> hurry {false};
        QCOMPARE(outputs.finish(std::chrono::seconds(30), hurry), 0);
        QCOMPARE(system.jobs.load(), 41);
        const auto lines = journal_lines(before);
        QCOMPARE(std::count(lines.begin(), lines.end(), "end 已印出: "), 41);
    }

    void every_job_gets_its_lines_whatever_the_print_system_says_data()
    {
        QTest::addColumn<Job_State::Stage>("stage"); // what the print system answers
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("hurried"); // the user asked to end while jobs were followed
        QTest::addColumn<QStringList>("lines"); // each job's lines after its hand-over
        QTest::addColumn<int>("status");
        using Stage = Job_State::Stage;
        const QString printing = "程式結束時還沒有印完，列印系統還留著這份工作";
        QTest::newRow("printed") << Stage::printed << "" << false << QStringList {"end 已印出: "}
                                 << 0;
        QTest::newRow("cancelled") << Stage::failed << "列印工作被取消了" << false
                                   << QStringList {"end 沒有印出: 列印工作被取消了"} << 1;
        QTest::newRow("with the spooler")
            << Stage::queued << "" << false << QStringList {"end 已交給列印佇列: "} << 0;
        QTest::newRow("gone from the print system's history")
            << Stage::unknown << "沒有紀錄" << false << QStringList {"end 列印結果未知: 沒有紀錄"}
            << 1;
        QTest::newRow("a print system gone silent") << Stage::unanswered << "列印系統沒有回應"
                                                    << false
                                                    << QStringList {"end 列印結果未知: 列印系統沒有回應"}
                                                    << 1;
        QTest::newRow("still printing at the end")
            << Stage::going << "" << false << QStringList {"end 列印結果未知: " + printing} << 1;
        QTest::newRow("still printing, the user asks to end")
            << Stage::going << "" << true << QStringList {"end 列印結果未知: " + printing} << 1;
        QTest::newRow("its printer stopped, out of paper")
            << Stage::held << "印表機「EnvFake」停了：缺紙" << false
            << QStringList {"job 等待中: 印表機「EnvFake」停了：缺紙",
                   "end 列印結果未知: 印表機「EnvFake」停了：缺紙；" + printing}
            << 1;
    }
    void every_job_gets_its_lines_whatever_the_print_system_says()
    {
        QFETCH(Job_State::Stage, stage);
        QFETCH(QString, reason);
        QFETCH(bool, hurried);
        QFETCH(QStringList, lines);
        QFETCH(int, status);
        Fake_Print_System system;
        system.answer = stage;
        system.reason = reason.toStdString();
        const std::size_t before = journal_size();
        std::vector<std::string> told;
        std::mutex told_mutex;
        Outputs outputs(
            [&](const std::string& title, const std::string&) {
                const std::lock_guard lock(told_mutex);
                told.push_back(title);
            },
            "", system.service());
        for (const char* name : {"甲", "乙"}) { // two presses
            outputs.produce(request_for(name));
            outputs.produce(request_for(std::string(name) + "二"));
            outputs.press_done();
        }
        std::atomic<bool> hurry {hurried};
        QElapsedTimer waited;
        waited.start();
        // Hurried, the wait for jobs still printing ends at once instead of after its patience.
        QCOMPARE(outputs.finish(std::chrono::seconds(hurried ? 30 : 3), hurry), status);
        QVERIFY(waited.elapsed() < 10000);
        // Each envelope's line comes as soon as it is made, before its job is handed over.
        std::vector<std::string> expected;
        for (const char* name : {"甲", "乙"}) {
            expected.push_back("envelope " + std::string(name));
            expected.push_back("envelope " + std::string(name) + "二");
            expected.push_back("job 已送印");
        }
        for (int job = 0; job < 2; ++job) {
            for (const QString& line : lines)
                expected.push_back(line.toStdString());
        }
        std::vector<std::string> written = journal_lines(before);
        // The follower's lines come in the jobs' order, once the envelopes' are all there.
        QCOMPARE(written.size(), expected.size());
        QCOMPARE(std::vector(written.begin(), written.begin() + 6),
            std::vector(expected.begin(), expected.begin() + 6));
        std::sort(written.begin() + 6, written.end());
        std::sort(expected.begin() + 6, expected.end());
        QCOMPARE(written, expected);
        QCOMPARE(std::count(told.begin(), told.end(), std::string("Pelderwick：信封還沒有印出")),
            stage == Job_State::Stage::held ? 2 : 0);
    }

    void printer_chosen_meanwhile_takes_the_next_press()
    {
        Fake_Print_System system;
        system.destination = "";
        const std::size_t before = journal_size();
        std::vector<std::string> printers;
        {
            Outputs outputs(quiet, "", system.service());
            for (const char* chosen : {"", "EnvA", "EnvB"}) {
                {
                    const std::lock_guard lock(system.mutex);
                    system.destination = chosen;
                }
                outputs.produce(request_for(std::string("收件人") + chosen));
                outputs.press_done();
            }
            const std::atomic<bool> hurry {false};
            QCOMPARE(outputs.finish(std::chrono::seconds(10), hurry), 0);
        }
        std::ifstream file(journal_file());
        std::size_t line_number = 0;
        for (std::string line; std::getline(file, line); ++line_number) {
            const Record entry = record_from_json_line(line);
            if (line_number >= before && entry.contains("列印"))
                printers.push_back(std::get<std::string>(entry.at("印表機")));
        }
        QCOMPARE(printers, (std::vector<std::string> {"EnvA", "EnvB"}));
        QCOMPARE(system.jobs.load(), 2);
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
