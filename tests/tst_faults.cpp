// The real host in a hostile place: a full disk, a folder it cannot write, requests to end while
// it is busy, the display going away, standard output closed or never read, a second host at
// the same folder, odd home folders, no Chinese font, a picture it cannot save. In every case
// each request handed over ends as an envelope, or is told as not made; nothing else is claimed.
// A probe preloaded into the host fills and presses the window; its worker, slowed, keeps it busy.

#include "record.h"
#include "test_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// What an output folder holds and what its log says.
struct Folder
{
    int envelopes = 0; // complete PDFs
    QStringList incomplete; // PDFs that are not
    QStringList strays; // anything but envelopes, the log and the demo's picture
    int logged = 0;
    int logged_made = 0;
    int torn_lines = 0; // log lines that are not one whole record
    QStringList claimed; // files the log says were made that are not there
    std::vector<Record> job_lines; // a print job's, handed over or ended
};

bool complete_pdf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), {});
    return content.starts_with("%PDF")
        && content.find("%%EOF", content.size() - 64) != std::string::npos;
}

void read_log(const fs::path& log, Folder& folder, const fs::path& place)
{
    std::ifstream in(log);
    for (std::string line; std::getline(in, line); ++folder.logged) {
        try {
            const Record entry = record_from_json_line(line);
            if (entry.contains("信封數")) {
                folder.job_lines.push_back(entry);
                --folder.logged; // not an envelope's
                continue;
            }
            if (std::get<std::string>(entry.at("結果")) != "已輸出")
                continue;
            ++folder.logged_made;
            const std::string file = std::get<std::string>(entry.at("檔案"));
            if (!fs::exists(place / file))
                folder.claimed << QString::fromStdString(file);
        } catch (const std::exception&) {
            ++folder.torn_lines;
        }
    }
}

Folder folder_at(const std::string& path)
{
    Folder folder;
    if (!fs::is_directory(path))
        return folder;
    for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".pdf") && complete_pdf(entry.path()))
            ++folder.envelopes;
        else if (name.ends_with(".pdf"))
            folder.incomplete << QString::fromStdString(name);
        else if (name == "requests.jsonl" && fs::is_regular_file(fs::symlink_status(entry)))
            read_log(entry.path(), folder, path);
        else if (name == "requests.jsonl")
            continue; // made so by the test
        else if (name != "demo-window.png")
            folder.strays << QString::fromStdString(name);
    }
    return folder;
}

int told_not_made(const QByteArray& errors)
{
    return int(errors.count("信封沒有輸出"));
}

// The real host with a home of its own.
struct Host
{
    explicit Host(const QByteArray& home_folder)
        : home(home_folder)
    {
        environment.insert("HOME", QString::fromLocal8Bit(home));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        // A probe of another build goes first: the sanitizer's runtime need not.
        environment.insert("ASAN_OPTIONS",
            environment.value("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0"));
    }

    std::string folder() const { return (home + "/brintlow/Pelderwick/").toStdString(); }

    // The probe fills the seven rows and presses `presses` times; the worker takes `slow_ms`
    // more a request.
    void pressing(int presses, int slow_ms, bool then_close)
    {
        const QString built = QCoreApplication::applicationDirPath();
        environment.insert("LD_PRELOAD", built + "/libhost_probe.so");
        environment.insert("PROBE_PRESSES", QString::number(presses));
        if (then_close)
            environment.insert("PROBE_CLOSE", "1");
        environment.insert("PELDERWICK_SLOW_MS", QString::number(slow_ms));
    }

    void start(const QStringList& arguments = {})
    {
        process.setProcessEnvironment(environment);
        process.start(test_platform::built_program("pelderwick"), arguments);
        QVERIFY(process.waitForStarted());
    }

    // Waits for the probe to say it has pressed everything.
    bool pressed(int timeout_ms = 120000)
    {
        QElapsedTimer waited;
        waited.start();
        while (!errors.contains("probe: pressed") && waited.elapsed() < timeout_ms) {
            process.waitForReadyRead(100);
            errors += process.readAllStandardError();
        }
        return errors.contains("probe: pressed");
    }

    // A signal to the host, and only to it: never to a process group once it has ended.
    void send(int signal_number)
    {
        const auto pid = pid_t(process.processId());
        QVERIFY2(process.state() == QProcess::Running && pid > 0, "the host has already ended");
        kill(pid, signal_number);
    }

    void finish()
    {
        const bool ended
            = process.state() == QProcess::NotRunning || process.waitForFinished(300000);
        errors += process.readAllStandardError();
        output = process.readAllStandardOutput();
        QVERIFY(ended);
    }

    QByteArray home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess process;
    QByteArray errors;
    QByteArray output;
};

// Every request handed over is an envelope or was told as not made; nothing half made is left
// and the log claims no envelope that is not there.
void accounted_for(const Host& host, int requested)
{
    const Folder folder = folder_at(host.folder());
    const int told = told_not_made(host.errors);
    qInfo("requested %d, made %d, not made and told %d, lost %d", requested, folder.envelopes, told,
        requested - folder.envelopes - told);
    QVERIFY2(folder.incomplete.isEmpty(), qPrintable(folder.incomplete.join(' ')));
    QVERIFY2(folder.strays.isEmpty(), qPrintable(folder.strays.join(' ')));
    QCOMPARE(folder.torn_lines, 0);
    QVERIFY2(folder.claimed.isEmpty(), qPrintable(folder.claimed.join(' ')));
    QCOMPARE(folder.envelopes + told_not_made(host.errors), requested);
    if (told_not_made(host.errors) > 0)
        QVERIFY(host.process.exitCode() != 0);
}

bool root()
{
    return geteuid() == 0;
}

// The host and what it loads, copied into `folder` (made reachable by every user), as an
// installation has them: without the build's mark that lets the tests' variables name other
// libraries, unless `built_for_tests`. Returns the copied program.
QString copy_of_the_host(const QString& folder, bool built_for_tests)
{
    const fs::path built = QCoreApplication::applicationDirPath().toStdString();
    const fs::path place = folder.toStdString();
    for (const fs::directory_entry& entry : fs::directory_iterator(built)) {
        const std::string name = entry.path().filename().string();
        if (name == "pelderwick" || (name.starts_with("libpelderwick_") && name.ends_with(".so"))
            || name == "格式範本" || (built_for_tests && name == "built-for-tests"))
            fs::copy(entry.path(), place / name, fs::copy_options::recursive);
    }
    fs::permissions(place,
        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
            | fs::perms::others_read | fs::perms::others_exec);
    return folder + "/pelderwick";
}

// An X server of its own, on a display number it picks itself, answering once this returns;
// returns its display number.
QString start_display(QProcess& server)
{
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
    QByteArray number;
    while (!number.endsWith('\n') && server.waitForReadyRead(10000))
        number += server.readAllStandardOutput();
    const QString display = QString::fromLatin1(number.trimmed());
    // On a loaded machine the number can come before the display takes clients.
    const auto takes_clients = [&] {
        QProcess probe;
        probe.start("xwininfo", {"-root", "-display", ":" + display});
        return probe.waitForFinished() && probe.exitCode() == 0;
    };
    if (!QStandardPaths::findExecutable("xwininfo").isEmpty()
        && !QTest::qWaitFor(takes_clients, 10000))
        qWarning("display :%s takes no clients", qPrintable(display));
    return display;
}

// The lines of print jobs that say `key` is `value`.
int job_lines_with(const Folder& folder, const char* key, const std::string& value)
{
    return int(
        std::count_if(folder.job_lines.begin(), folder.job_lines.end(), [&](const Record& line) {
            return line.contains(key) && std::get<std::string>(line.at(key)) == value;
        }));
}

// The tests' print system (tools/print-system), whose scheduler a test may hold still: it then
// takes connections and never answers, as a print server behind a dead network does.
struct Print_System
{
    static bool there() { return QProcess::execute("lpstat", {"-p", "EnvPDF"}) == 0; }

    // Its scheduler held still while this lives.
    struct Silence
    {
        pid_t scheduler = 0;

        Silence()
        {
            QFile pid_file(
                QFileInfo(qEnvironmentVariable("CUPS_SERVER")).dir().filePath("cupsd.pid"));
            if (pid_file.open(QIODevice::ReadOnly))
                scheduler = pid_t(pid_file.readAll().trimmed().toInt());
            if (scheduler > 0)
                kill(scheduler, SIGSTOP);
        }
        ~Silence()
        {
            if (scheduler > 0)
                kill(scheduler, SIGCONT);
        }
        Silence(const Silence&) = delete;
        Silence& operator=(const Silence&) = delete;
    };

    static void cancel_every_job() { QProcess::execute("cancel", {"-a"}); }
};

struct Tray_Run
{
    bool shown = false;
    int status = -1;
    QByteArray said; // the host's and the panel's
    QByteArray panel_said;
};

// The host on a display of its own with a notification area that embeds icons (XEmbed), there
// from the start or coming `later`: whether the icon was shown, and how the host ended.
Tray_Run tray_run(bool later)
{
    QProcess display;
    const QString number = start_display(display);
    QProcessEnvironment on_display = QProcessEnvironment::systemEnvironment();
    on_display.insert("DISPLAY", ":" + number);
    QProcess panel;
    panel.setProcessEnvironment(on_display);
    const auto start_panel = [&] { panel.start("trayer", {"--SetDockType", "false"}); };
    if (!later)
        start_panel();
    QTemporaryDir home;
    Host host(home.path().toUtf8());
    host.environment.insert("DISPLAY", ":" + number);
    host.environment.insert("QT_QPA_PLATFORM", "xcb");
    // What is looked at here is the end with a notification area: a crash or a sanitizer's
    // error. The leak checker's own tracer crashes now and then in this program's last moment
    // on a display (LSan: "Tracer caught signal 11"); leaks are checked by every other run.
    const QString sanitizer = host.environment.value("ASAN_OPTIONS");
    if (!sanitizer.isEmpty())
        host.environment.insert("ASAN_OPTIONS", sanitizer + ":detect_leaks=0");
    host.start();
    if (later) {
        QTest::qWait(2000); // the window is up, with no notification area yet
        start_panel();
    }
    const auto icon_in_panel = [&] {
        QProcess tree;
        tree.setProcessEnvironment(on_display);
        tree.start("xwininfo", {"-root", "-tree"});
        tree.waitForFinished();
        const QString windows = QString::fromUtf8(tree.readAllStandardOutput());
        const qsizetype at = windows.indexOf("\"panel\"");
        return at >= 0
            && windows.mid(at, windows.indexOf("\"trayer\":", at) - at).contains("\"Pelderwick\"");
    };
    Tray_Run run;
    run.shown = QTest::qWaitFor(icon_in_panel, 15000);
    host.send(SIGTERM);
    host.finish();
    panel.kill();
    panel.waitForFinished();
    run.panel_said = panel.readAllStandardError();
    run.said = host.errors + run.panel_said;
    run.status = host.process.exitCode();
    display.kill();
    display.waitForFinished();
    return run;
}

} // namespace

class Tst_Faults : public QObject
{
    Q_OBJECT

    QTemporaryDir place_;

private slots:
    void full_disk_loses_nothing_and_claims_nothing_data()
    {
        QTest::addColumn<int>("presses"); // 0: the demo's three
        QTest::newRow("demo") << 0;
        QTest::newRow("seven rows pressed twice") << 2;
    }
    void full_disk_loses_nothing_and_claims_nothing()
    {
        QFETCH(int, presses);
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        QVERIFY(fs::create_directories(host.folder()));
        if (!test_platform::mount_small_disk(QString::fromStdString(host.folder()), 40))
            QSKIP("needs a small disk of its own: root mounts one on Linux");
        if (presses > 0)
            host.pressing(presses, 0, true);
        host.start(presses > 0 ? QStringList() : QStringList {"--demo"});
        host.finish();
        accounted_for(host, presses > 0 ? presses * 7 : 3);
        const Folder folder = folder_at(host.folder());
        test_platform::unmount(QString::fromStdString(host.folder()));
        QVERIFY2(told_not_made(host.errors) > 0, "the small disk was not filled");
        QVERIFY(folder.envelopes > 0);
    }

    void folder_that_cannot_be_written_is_told_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("a file where the folder should be") << "file";
        QTest::newRow("a disk that is read only") << "read-only";
        QTest::newRow("a folder of another user") << "other user";
        QTest::newRow("a folder given to another user") << "given away";
        QTest::newRow("a folder others may write in") << "others write";
    }
    void folder_that_cannot_be_written_is_told()
    {
        QFETCH(QString, how);
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        QVERIFY(fs::create_directories(home.path().toStdString() + "/brintlow"));
        const std::string folder = host.folder();
        if (how == "file") {
            std::ofstream(folder.substr(0, folder.size() - 1)) << "not a folder";
        } else if (how == "read-only") {
            if (!root())
                QSKIP("mounting needs root");
            QVERIFY(fs::create_directories(folder));
            QCOMPARE(QProcess::execute("mount",
                         {"-t", "tmpfs", "-o", "ro,size=64k,mode=0755", "tmpfs",
                             QString::fromStdString(folder)}),
                0);
        } else if (how == "other user") {
            if (!root())
                QSKIP("runs the host as another user, which needs root");
            QVERIFY(fs::create_directories(folder));
            fs::permissions(home.path().toStdString(), fs::perms::all); // reachable by all
        } else {
            QVERIFY(fs::create_directories(folder));
            if (how == "given away" && (!root() || chown(folder.c_str(), 65534, 65534) != 0))
                QSKIP("giving a folder away needs root");
            if (how == "others write")
                fs::permissions(folder, fs::perms::all);
        }
        QTemporaryDir installed; // where another user may run it from, wherever the build is
        if (how == "other user") {
            host.process.setProcessEnvironment(host.environment);
            host.process.start("setpriv",
                {"--reuid=65534", "--regid=65534", "--clear-groups",
                    copy_of_the_host(installed.path(), true), "--demo"});
        } else {
            host.start({"--demo"});
        }
        host.finish();
        if (how == "read-only")
            test_platform::unmount(QString::fromStdString(folder));
        accounted_for(host, 3);
        QCOMPARE(told_not_made(host.errors), 3);
        QVERIFY(host.process.exitCode() != 0);
        QVERIFY(host.output.contains("0 of 3 envelopes made"));
    }

    void request_to_end_while_busy_finishes_every_request_data()
    {
        QTest::addColumn<int>("signal_number");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void request_to_end_while_busy_finishes_every_request()
    {
        QFETCH(int, signal_number);
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.pressing(40, 20, false);
        host.start();
        QVERIFY(host.pressed());
        host.send(signal_number);
        host.finish();
        QCOMPARE(host.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(host.process.exitCode(), 0);
        accounted_for(host, 280);
        QCOMPARE(folder_at(host.folder()).logged_made, 280);
        QVERIFY(host.output.trimmed().endsWith("關閉程式")); // the window's own goodbye
    }

    void second_request_to_end_ends_at_once_leaving_nothing_half_made()
    {
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.pressing(40, 40, false);
        host.start();
        QVERIFY(host.pressed());
        host.send(SIGTERM);
        QTest::qWait(300);
        host.send(SIGTERM);
        host.finish();
        QCOMPARE(host.process.exitCode(), 128 + SIGTERM);
        const Folder folder = folder_at(host.folder());
        qInfo("ended at once after %d envelopes, each complete", folder.envelopes);
        QVERIFY(folder.envelopes < 280);
        QVERIFY2(folder.incomplete.isEmpty(), qPrintable(folder.incomplete.join(' ')));
        QVERIFY2(folder.strays.isEmpty(), qPrintable(folder.strays.join(' ')));
        QCOMPARE(folder.torn_lines, 0);
        QVERIFY(folder.claimed.isEmpty());
    }

    void display_going_away_loses_nothing()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            QSKIP("needs Xvfb");
        QProcess display;
        const QString number = start_display(display);
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.environment.insert("DISPLAY", ":" + number);
        host.environment.insert("QT_QPA_PLATFORM", "xcb");
        // Qt ends the process at once, application and all: what its libraries hold is not
        // freed, and the leak checker would count it.
        host.environment.insert(
            "ASAN_OPTIONS", host.environment.value("ASAN_OPTIONS") + ":detect_leaks=0");
        host.pressing(40, 20, false);
        host.start();
        QVERIFY(host.pressed());
        display.kill();
        display.waitForFinished();
        host.finish();
        QCOMPARE(host.process.exitStatus(), QProcess::NormalExit); // no crash
        accounted_for(host, 280);
        QCOMPARE(folder_at(host.folder()).logged, 280);
    }

    void notification_area_gets_the_icon_and_the_end_is_clean_data()
    {
        QTest::addColumn<bool>("later"); // the area comes after the program, as a panel restarted
        QTest::newRow("there from the start") << false;
        QTest::newRow("one that comes later") << true;
    }
    void notification_area_gets_the_icon_and_the_end_is_clean()
    {
        QFETCH(bool, later);
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()
            || QStandardPaths::findExecutable("trayer").isEmpty()
            || QStandardPaths::findExecutable("xwininfo").isEmpty())
            QSKIP("needs Xvfb, trayer and xwininfo");
        // A panel that could not reach its display is the machine's fault, not the program's:
        // tried once more on a display of its own.
        Tray_Run run = tray_run(later);
        const bool not_ours = !run.shown && run.panel_said.contains("cannot open display");
        if (not_ours) {
            qWarning("once more, as this was not the program's doing: %s", run.said.constData());
            run = tray_run(later);
        }
        QVERIFY2(run.shown, run.said.constData());
        // the icon gone before the display's connection
        QVERIFY2(run.status == 0, run.said.constData());
    }

    void desktop_without_a_notification_area_hears_through_its_notification_service()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()
            || QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            QSKIP("needs Xvfb and dbus-daemon");
        if (!Print_System::there())
            QSKIP("needs the tests' print system: sudo bash tools/print-system start");
        // A session bus and a notification service of the test's own; a display without a
        // notification area, as GNOME's.
        QProcess bus;
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(bus.waitForReadyRead(10000));
        const QString address = QString::fromLatin1(bus.readLine().trimmed());
        QProcessEnvironment on_bus = QProcessEnvironment::systemEnvironment();
        on_bus.insert("DBUS_SESSION_BUS_ADDRESS", address);
        QProcess service;
        service.setProcessEnvironment(on_bus);
        service.start(QCoreApplication::applicationDirPath() + "/notification_server", {"--click"});
        QVERIFY(service.waitForReadyRead(10000));
        QCOMPARE(service.readLine().trimmed(), QByteArray("ready"));
        QProcess display;
        const QString number = start_display(display);
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        host.environment.insert("DISPLAY", ":" + number);
        host.environment.insert("QT_QPA_PLATFORM", "xcb");
        host.environment.insert(
            "LD_PRELOAD", QCoreApplication::applicationDirPath() + "/libhost_probe.so");
        host.environment.insert("PROBE_SETTINGS", "1");
        host.start();
        // The first run: printing offered in a notification; its action opens the print settings.
        QByteArray heard;
        QTRY_VERIFY_WITH_TIMEOUT(
            (heard += service.readAllStandardOutput()).contains("可以直接列印信封"), 20000);
        QVERIFY2(heard.contains("開啟列印設定"), heard.constData());
        QTRY_VERIFY_WITH_TIMEOUT(
            (host.errors += host.process.readAllStandardError()).contains("probe: settings shown"),
            20000);
        host.send(SIGTERM);
        host.finish();
        QCOMPARE(host.process.exitCode(), 0);
        // What goes wrong is heard there too.
        Host demo(home.path().toUtf8());
        demo.environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        demo.start({"--demo", "--printer", "EnvStopped"});
        demo.finish();
        QTRY_VERIFY_WITH_TIMEOUT(
            (heard += service.readAllStandardOutput()).contains("信封沒有列印"), 10000);
        for (QProcess* process : {&service, &bus, &display}) {
            process->kill();
            process->waitForFinished();
        }
    }

    void standard_stream_closed_at_start_freezes_nothing_data()
    {
        QTest::addColumn<QString>("closing");
        QTest::newRow("output") << ">&-";
        QTest::newRow("error") << "2>&-";
    }
    void standard_stream_closed_at_start_freezes_nothing()
    {
        QFETCH(QString, closing);
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            QSKIP("needs Xvfb: the display's connection is what took the closed stream's place");
        QProcess display;
        const QString number = start_display(display);
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.environment.insert("DISPLAY", ":" + number);
        host.environment.insert("QT_QPA_PLATFORM", "xcb");
        host.pressing(1, 0, true);
        host.process.setProcessEnvironment(host.environment);
        host.process.start(
            "bash", {"-c", "exec \"$0\" " + closing, test_platform::built_program("pelderwick")});
        host.finish();
        display.kill();
        display.waitForFinished();
        QCOMPARE(host.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(host.process.exitCode(), 0);
        QCOMPARE(folder_at(host.folder()).envelopes, 7);
    }

    void closed_standard_output_costs_nothing()
    {
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.process.setProcessEnvironment(host.environment);
        host.process.start("bash",
            {"-c", "set -o pipefail; \"$0\" --demo | true",
                test_platform::built_program("pelderwick")});
        host.finish();
        QCOMPARE(host.process.exitCode(), 0);
        accounted_for(host, 3);
        QCOMPARE(folder_at(host.folder()).envelopes, 3);
    }

    void standard_output_never_read_freezes_nothing()
    {
        QTemporaryDir home;
        const QString fifo = home.filePath("unread");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const int reader = open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        Host host(home.path().toUtf8());
        host.pressing(30, 0, true);
        host.environment.insert("PROBE_ADDRESS_BYTES", "600");
        host.process.setStandardOutputFile(fifo);
        host.start();
        // 210 lines of some 900 bytes each: far more than a pipe holds, and nobody reads yet.
        QVERIFY2(host.pressed(60000), host.errors.constData());
        fcntl(reader, F_SETFL, 0);
        QByteArray lines;
        char buffer[65536];
        for (ssize_t got = 0; (got = read(reader, buffer, sizeof buffer)) > 0;)
            lines.append(buffer, got);
        close(reader);
        host.finish();
        QCOMPARE(host.process.exitCode(), 0);
        const QList<QByteArray> written = lines.trimmed().split('\n');
        QCOMPARE(written.size(), 211);
        for (int i = 0; i < 210; ++i) {
            const Record request = record_from_json_line(written[i].toStdString());
            QCOMPARE(std::get<std::string>(request.at("收件人姓名")),
                "收件人" + std::to_string(i % 7 + 1));
        }
        QCOMPARE(written.last(), QByteArray("關閉程式"));
    }

    void two_hosts_at_one_folder_overwrite_and_mix_nothing()
    {
        QTemporaryDir home;
        Host first(home.path().toUtf8());
        Host second(home.path().toUtf8());
        for (Host* host : {&first, &second}) {
            host->pressing(20, 0, true);
            host->environment.insert("PROBE_ADDRESS_BYTES", "1500"); // log lines of 2 KB
            host->start();
        }
        first.finish();
        second.finish();
        const Folder folder = folder_at(first.folder());
        qInfo("two hosts: requested 280, made %d, not made and told %d", folder.envelopes,
            told_not_made(first.errors) + told_not_made(second.errors));
        QCOMPARE(folder.envelopes, 280);
        QCOMPARE(folder.logged, 280);
        QCOMPARE(folder.torn_lines, 0);
        QVERIFY(folder.claimed.isEmpty());
    }

    void home_with_any_bytes_gets_its_envelopes()
    {
        const QByteArray home = place_.path().toUtf8() + "/caf\xe9-\xff";
        QVERIFY(fs::create_directory(home.toStdString()));
        Host host(home);
        host.environment.insert("HOME", QString()); // set below: the bytes as they are
        host.process.setProcessEnvironment(host.environment);
        host.process.start("bash",
            {"-c", "HOME=\"$(printf \"$1\")\" exec \"$0\" --demo",
                test_platform::built_program("pelderwick"), place_.path() + "/caf\\xe9-\\xff"});
        host.finish();
        QCOMPARE(host.process.exitCode(), 0);
        accounted_for(host, 3);
        QCOMPARE(folder_at(host.folder()).logged_made, 3);
    }

    void no_chinese_font_is_told_once()
    {
        const QString latin = "/usr/share/fonts/truetype/dejavu";
        if (!QDir(latin).exists())
            QSKIP("needs a font without Chinese (DejaVu)");
        QTemporaryDir home;
        QFile config(home.filePath("fonts.conf"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">"
                     "<fontconfig><dir>"
            + latin.toUtf8() + "</dir><cachedir>" + home.filePath("cache").toUtf8()
            + "</cachedir></fontconfig>");
        config.close();
        Host host(home.path().toUtf8());
        host.environment.insert("FONTCONFIG_FILE", config.fileName());
        host.start({"--demo"});
        host.finish();
        QCOMPARE(host.process.exitCode(), 0);
        QCOMPARE(int(host.errors.count("找不到能印出中文")), 1);
        accounted_for(host, 3);
        QCOMPARE(folder_at(host.folder()).envelopes, 3);
    }

    void log_that_cannot_be_written_holds_nothing_up_and_is_told_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("a link to a device") << "device";
        QTest::newRow("a link to another's file") << "link";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("locked by another program") << "locked";
    }
    void log_that_cannot_be_written_holds_nothing_up_and_is_told()
    {
        QFETCH(QString, what);
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        QVERIFY(fs::create_directories(host.folder()));
        const std::string log = host.folder() + "requests.jsonl";
        const std::string victim = home.path().toStdString() + "/victim";
        std::ofstream(victim) << "the victim's own\n";
        QProcess holder;
        if (what == "fifo")
            QCOMPARE(mkfifo(log.c_str(), 0600), 0);
        if (what == "device")
            fs::create_symlink("/dev/full", log);
        if (what == "link")
            fs::create_symlink(victim, log);
        if (what == "folder")
            fs::create_directory(log);
        if (what == "locked") {
            holder.start("flock", {QString::fromStdString(log), "sleep", "600"});
            QVERIFY(holder.waitForStarted());
            QTRY_VERIFY(fs::exists(log));
        }
        host.start({"--demo"});
        host.finish();
        holder.kill();
        holder.waitForFinished();
        accounted_for(host, 3);
        QCOMPARE(folder_at(host.folder()).envelopes, 3);
        QCOMPARE(int(host.errors.count("requests.jsonl 沒有記下這筆輸出")), 3);
        QVERIFY(host.process.exitCode() != 0);
        QVERIFY(!host.output.contains("with requests.jsonl"));
        std::ifstream victim_file(victim);
        QCOMPARE(std::string(std::istreambuf_iterator<char>(victim_file), {}),
            std::string("the victim's own\n"));
    }

    void log_of_another_account_leaves_each_account_a_log_of_its_own()
    {
        // As on a Windows PC whose accounts share the output folder.
        if (!root())
            QSKIP("runs the host as another user, which needs root");
        QTemporaryDir home;
        QTemporaryDir installed;
        Host host(home.path().toUtf8());
        QVERIFY(fs::create_directories(host.folder()));
        std::ofstream(host.folder() + "requests.jsonl") << "";
        for (const std::string& mine : {home.path().toStdString() + "/brintlow", host.folder()})
            QCOMPARE(chown(mine.c_str(), 65534, 65534), 0);
        fs::permissions(home.path().toStdString(), fs::perms::all); // reachable by all
        host.process.setProcessEnvironment(host.environment);
        host.process.start("setpriv",
            {"--reuid=65534", "--regid=65534", "--clear-groups",
                copy_of_the_host(installed.path(), true), "--demo"});
        host.finish();
        QVERIFY2(host.process.exitCode() == 0, host.errors.constData());
        QCOMPARE(folder_at(host.folder()).envelopes, 3);
        QCOMPARE(fs::file_size(host.folder() + "requests.jsonl"), 0);
        // Told where the lines went, once, and named by the demo.
        QCOMPARE(int(host.errors.count("requests-nobody.jsonl")), 1);
        QVERIFY(host.output.contains("with requests-nobody.jsonl"));
        std::ifstream own(host.folder() + "requests-nobody.jsonl");
        int lines = 0;
        for (std::string line; std::getline(own, line); ++lines)
            record_from_json_line(line);
        QCOMPARE(lines, 3);
    }

    void folder_without_hard_links_gets_every_envelope_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::newRow("no hard links") << QStringList {"--no-links"};
        QTest::newRow("no hard links, no exclusive rename")
            << QStringList {"--no-links", "--no-exclusive-rename"};
    }
    void folder_without_hard_links_gets_every_envelope()
    {
        QFETCH(QStringList, faults);
        test_platform::Fuse_Folder home(faults);
        if (!home.mounted())
            QSKIP("needs FUSE (root and /dev/fuse) and the tests' pass-through");
        Host host(home.path().toUtf8());
        host.pressing(2, 0, true);
        host.start();
        host.finish();
        QCOMPARE(host.process.exitCode(), 0);
        accounted_for(host, 14);
        QCOMPARE(folder_at(host.folder()).envelopes, 14);
    }

    void file_size_limit_is_told_as_what_it_is()
    {
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.process.setProcessEnvironment(host.environment);
        host.process.start("bash",
            {"-c", "ulimit -f 10; exec \"$0\" --demo", test_platform::built_program("pelderwick")});
        host.finish();
        QCOMPARE(host.process.exitStatus(), QProcess::NormalExit); // not ended by SIGXFSZ
        accounted_for(host, 3);
        QVERIFY(host.errors.contains("File too large"));
        QVERIFY(!host.errors.contains("No space left"));
    }

    void installed_program_never_loads_a_library_named_in_its_environment_data()
    {
        QTest::addColumn<bool>("built_for_tests");
        QTest::newRow("installed") << false;
        QTest::newRow("built for the tests") << true;
    }
    void installed_program_never_loads_a_library_named_in_its_environment()
    {
        QFETCH(bool, built_for_tests);
        QTemporaryDir home;
        QTemporaryDir installed;
        Host host(home.path().toUtf8());
        host.environment.insert("PELDERWICK_WINDOW_MODULE", "./evil.so");
        host.process.setProcessEnvironment(host.environment);
        host.process.start(copy_of_the_host(installed.path(), built_for_tests), {"--demo"});
        host.finish();
        QCOMPARE(folder_at(host.folder()).envelopes, built_for_tests ? 0 : 3);
        QCOMPARE(host.errors.contains("./evil.so"), built_for_tests);
        QCOMPARE(host.process.exitCode() == 0, !built_for_tests);
    }

    void long_names_are_short_in_messages_and_whole_in_the_log()
    {
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.pressing(1, 0, true);
        host.environment.insert("PROBE_NAME_CHARACTERS", "10000"); // too long for its frame
        host.start();
        host.finish();
        accounted_for(host, 7);
        QVERIFY(host.errors.contains("太長"));
        for (const QByteArray& line : host.errors.split('\n'))
            QVERIFY2(line.size() < 1000, line.left(200).constData());
        std::ifstream log(host.folder() + "requests.jsonl");
        for (std::string line; std::getline(log, line);) {
            const Record entry = record_from_json_line(line);
            QCOMPARE(QString::fromStdString(std::get<std::string>(entry.at("收件人姓名"))).size(),
                10000);
        }
    }

    void printing_accounts_for_every_envelope_and_job_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("then"); // what befalls the host once the probe has pressed
        QTest::addColumn<int>("jobs"); // handed over, each with its line
        QTest::addColumn<QString>("ended"); // each job's end line, "": none
        QTest::addColumn<int>("status");
        QTest::newRow("presses waiting for a busy worker: one job each")
            << "EnvPDF" << 4 << "close" << 4 << "已印出" << 0;
        QTest::newRow("the print system goes silent while a job is followed")
            << "EnvSlow" << 1 << "silence, then end" << 1 << "列印結果未知" << 1;
        QTest::newRow("asked to end while jobs are still printing")
            << "EnvSlow" << 3 << "close, then end" << 3 << "列印結果未知" << 1;
        QTest::newRow("asked twice to end while the print system hangs")
            << "EnvPDF" << 1 << "silence, then end twice" << 0 << "" << 128 + SIGTERM;
    }
    void printing_accounts_for_every_envelope_and_job()
    {
        QFETCH(QString, printer);
        QFETCH(int, presses);
        QFETCH(QString, then);
        QFETCH(int, jobs);
        QFETCH(QString, ended);
        QFETCH(int, status);
        if (!Print_System::there())
            QSKIP("needs the tests' print system: sudo bash tools/print-system start");
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        host.pressing(presses, 100, then.startsWith("close"));
        std::optional<Print_System::Silence> silence;
        if (then == "silence, then end twice")
            silence.emplace(); // before the job is handed over
        host.start({"--printer", printer});
        QVERIFY(host.pressed());
        const int envelopes = presses * 7;
        const auto lines_there = [&](int wanted) {
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < 60000) {
                const Folder folder = folder_at(host.folder());
                if (folder.logged + int(folder.job_lines.size()) >= wanted)
                    return true;
                QTest::qWait(100);
            }
            return false;
        };
        // Each envelope's line is there as soon as it is made, its job's as soon as it is handed.
        QVERIFY(lines_there(envelopes + jobs));
        QElapsedTimer ending;
        ending.start();
        if (then == "silence, then end") {
            silence.emplace();
            QTest::qWait(8000); // a question about the job goes unanswered meanwhile
            host.send(SIGTERM);
        } else if (then == "close, then end") {
            host.send(SIGTERM);
        } else if (then == "silence, then end twice") {
            host.send(SIGTERM);
            QTest::qWait(300);
            host.send(SIGTERM);
        }
        host.finish();
        silence.reset();
        Print_System::cancel_every_job();
        if (then != "close")
            QVERIFY2(ending.elapsed() < 20000, "the end waited for the print system");
        QCOMPARE(host.process.exitCode(), status);
        const Folder folder = folder_at(host.folder());
        QCOMPARE(folder.envelopes, envelopes);
        QCOMPARE(folder.logged_made, envelopes);
        QCOMPARE(job_lines_with(folder, "列印", "已送印"), jobs);
        std::set<long long> numbers;
        for (const Record& line : folder.job_lines) {
            if (line.contains("列印"))
                QCOMPARE(std::get<long long>(line.at("信封數")), 7LL); // a press's
            numbers.insert(std::get<long long>(line.at("列印工作")));
        }
        QCOMPARE(int(numbers.size()), jobs);
        const int end_lines = job_lines_with(folder, "結果", ended.toStdString());
        qInfo("envelopes %d, made %d, logged %d; jobs handed %d, ended \"%s\" %d; status %d",
            envelopes, folder.envelopes, folder.logged_made,
            job_lines_with(folder, "列印", "已送印"), qPrintable(ended), end_lines,
            host.process.exitCode());
        QCOMPARE(end_lines, ended.isEmpty() ? 0 : jobs);
        if (ended == "列印結果未知")
            QVERIFY(host.errors.contains("信封列印結果未知"));
        for (const Record& line : folder.job_lines) {
            if (then == "silence, then end" && line.contains("結果"))
                QVERIFY(
                    std::get<std::string>(line.at("原因")).find("沒有回應") != std::string::npos);
        }
    }

    void print_settings_file_in_a_bad_state_is_told_and_never_holds_the_program_data()
    {
        QTest::addColumn<QString>("made"); // what lies where the settings' file should
        QTest::addColumn<QString>("told");
        QTest::newRow("damaged") << "garbage"
                                 << "列印設定檔壞了";
        QTest::newRow("a FIFO") << "fifo"
                                << "不是一般的檔案";
        QTest::newRow("a folder") << "folder"
                                  << "不是一般的檔案";
    }
    void print_settings_file_in_a_bad_state_is_told_and_never_holds_the_program()
    {
        QFETCH(QString, made);
        QFETCH(QString, told);
        QTemporaryDir home;
        const QString folder = home.filePath(".config/brintlow");
        const std::string file = (folder + "/Pelderwick.conf").toStdString();
        QVERIFY(QDir().mkpath(folder));
        const std::string garbage = "\x89PNG\r\n\x1a\n\xff\xfe[[[\x01 =\n== ]";
        if (made == "garbage")
            std::ofstream(file, std::ios::binary) << garbage;
        else if (made == "fifo")
            QCOMPARE(mkfifo(file.c_str(), 0600), 0);
        else
            QVERIFY(fs::create_directory(file));
        for (const bool again : {false, true}) {
            Host host(home.path().toUtf8());
            host.environment.insert("XDG_CONFIG_HOME", home.filePath(".config"));
            host.start({"--demo"});
            host.finish();
            QCOMPARE(host.process.exitCode(), 0);
            QCOMPARE(folder_at(host.folder()).envelopes, again ? 6 : 3);
            // Told once: the damaged file is kept aside and the settings start anew.
            QCOMPARE(int(host.errors.count(told.toUtf8())), made == "garbage" && again ? 0 : 1);
        }
        if (made == "garbage") {
            std::ifstream aside(file + ".bad", std::ios::binary);
            QCOMPARE(std::string(std::istreambuf_iterator<char>(aside), {}), garbage);
        } else {
            QVERIFY(!fs::is_regular_file(file)); // left alone
        }
    }

    void picture_that_cannot_be_saved_is_said()
    {
        QTemporaryDir home;
        Host host(home.path().toUtf8());
        QVERIFY(fs::create_directories(host.folder() + "demo-window.png")); // a folder in its way
        host.start({"--demo"});
        host.finish();
        QVERIFY(host.output.contains("the picture of the window could not be saved"));
        QVERIFY(!host.output.contains("the picture is"));
        QVERIFY(host.process.exitCode() != 0);
        accounted_for(host, 3);
        QCOMPARE(folder_at(host.folder()).envelopes, 3);
    }
};

QTEST_GUILESS_MAIN(Tst_Faults)
#include "tst_faults.moc"
