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
    std::thread worker(
        [&] { run_worker((*queues)["get_receipt"], (*events)["get_receipt"], produce); });
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

// A print system faked for the host's accounts: jobs numbered as they come, none ended until
// `ended`, and the first question about a job held until `go_on`, while more jobs come.
namespace fake_printing {

std::mutex mutex;
std::condition_variable changed;
bool asked = false;
bool go_on = false;
std::atomic<bool> ended {false};
std::atomic<int> jobs {0};
std::atomic<int> ends_logged {0};

Production_Report made(const Record& /*request*/)
{
    Production_Report report;
    report.made = true;
    return report;
}

void logged(const Record& /*request*/, Production_Report& report)
{
    report.logged = true;
}

Print_Record printed(std::vector<Made_Envelope>& /*made*/, const std::string& printer)
{
    return {printer, ++jobs, true, {}};
}

std::optional<Job_Outcome> job_end(const Print_Record& /*job*/)
{
    std::unique_lock lock(mutex);
    asked = true;
    changed.notify_all();
    changed.wait(lock, [] { return go_on; });
    return ended ? std::optional<Job_Outcome>(Job_Outcome {true, false, {}}) : std::nullopt;
}

bool end_logged(const Record&, const Print_Record&, int, const Job_Outcome&)
{
    ++ends_logged;
    return true;
}

void told(Host_Session*, const std::string&, const std::string&) { }

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
        Worker_Library worker;
        worker.make = fake::made;
        worker.log = fake::logged;
        worker.print = fake::printed;
        worker.job_end = fake::job_end;
        worker.log_job = fake::end_logged;
        Host_Qt host;
        host.tell = fake::told;
        Accounts accounts(worker, host, nullptr, "a printer");
        Record request;
        request[request_key::recipient_name] = std::string("王小明");
        request[request_key::format] = std::string(envelope_formats[0]);
        const auto press = [&] {
            accounts.produce(request);
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
        fake::ended = true;
        {
            const std::lock_guard lock(fake::mutex);
            fake::go_on = true;
        }
        fake::changed.notify_all();
        QCOMPARE(accounts.finish(std::chrono::seconds(30)), 0);
        QCOMPARE(fake::jobs.load(), 41);
        QCOMPARE(fake::ends_logged.load(), 41);
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
