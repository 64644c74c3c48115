// The platform layer's files: an envelope appears under its name only complete and never over
// another file, a log line goes in whole or not at all, and the home is found without HOME. And
// the lines a program hands over all go out, even when it ends at once.

#include "capture.h"
#include "platform.h"
#include "test_platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

namespace {

std::string in(const QTemporaryDir& place, const char* name = "")
{
    return QDir::toNativeSeparators(place.filePath(QString::fromUtf8(name))).toStdString();
}

void write_all(platform::Unpublished_File& file, const QByteArray& content)
{
    file.write(std::string_view(content.constData(), std::size_t(content.size())));
}

QByteArray content_of(const QTemporaryDir& place, const char* name)
{
    QFile file(place.filePath(QString::fromUtf8(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int unix_permissions(const QFileInfo& file)
{
    const QFile::Permissions given = file.permissions();
    int bits = 0;
    for (const auto& [permission, bit] :
        {std::pair {QFile::ReadOwner, 0400}, {QFile::WriteOwner, 0200}, {QFile::ReadGroup, 040},
            {QFile::WriteGroup, 020}, {QFile::ReadOther, 04}, {QFile::WriteOther, 02}}) {
        if (given.testFlag(permission))
            bits |= bit;
    }
    return bits;
}

bool posix()
{
    return QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows;
}

} // namespace

class Tst_Platform : public QObject
{
    Q_OBJECT

private slots:
    void file_is_seen_only_once_published_and_then_whole()
    {
        QTemporaryDir place;
        platform::Unpublished_File file(in(place));
        write_all(file, QByteArray(100000, 'x'));
        QCOMPARE(QDir(place.path()).entryList(QDir::Files).size(), 0); // nothing under a name yet
        QVERIFY(file.publish("made.pdf"));
        QCOMPARE(
            QDir(place.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"made.pdf"});
        QCOMPARE(content_of(place, "made.pdf"), QByteArray(100000, 'x'));
    }

    void publishing_never_takes_another_file_s_name_unless_told_to()
    {
        QTemporaryDir place;
        {
            platform::Unpublished_File first(in(place));
            write_all(first, "first");
            QVERIFY(first.publish("name.pdf"));
        }
        platform::Unpublished_File second(in(place));
        write_all(second, "second");
        QVERIFY(!second.publish("name.pdf"));
        QCOMPARE(content_of(place, "name.pdf"), QByteArray("first"));
        QVERIFY(second.publish("name-2.pdf"));
        platform::Unpublished_File third(in(place));
        write_all(third, "third");
        QVERIFY(third.publish("name.pdf", true));
        QCOMPARE(content_of(place, "name.pdf"), QByteArray("third"));
        QCOMPARE(QDir(place.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void file_never_published_leaves_nothing()
    {
        QTemporaryDir place;
        {
            platform::Unpublished_File file(in(place));
            write_all(file, QByteArray(5000, 'y'));
        }
        QCOMPARE(QDir(place.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 0);
    }

    void folder_that_refuses_files_is_an_error()
    {
        QTemporaryDir place;
        QVERIFY_THROWS_EXCEPTION(std::system_error, platform::Unpublished_File(in(place, "none")));
    }

    void system_errors_are_told_as_utf8_on_one_line()
    {
        // Under Wine the suite runs this test on a Traditional-Chinese Windows (code page 950).
        QTemporaryDir place;
        try {
            platform::Unpublished_File file(in(place, "missing"));
            QFAIL("a folder that is not there took a file");
        } catch (const std::system_error& error) {
            const QByteArray what = error.what();
            qInfo("%s", what.constData());
            QCOMPARE(QString::fromUtf8(what).toUtf8(), what); // nothing but UTF-8
            QVERIFY2(!what.endsWith('\n') && !what.endsWith('\r'), what.constData());
            QVERIFY(what.size() > QByteArray("cannot write in ").size() + 10);
        }
    }

    void log_lines_from_many_writers_stay_whole()
    {
        QTemporaryDir place;
        const std::string log = in(place, "requests.jsonl");
        std::vector<std::thread> writers;
        for (int writer = 0; writer < 4; ++writer) {
            writers.emplace_back([&log, writer] {
                const std::string line(5000, char('a' + writer));
                for (int i = 0; i < 50; ++i)
                    platform::append_line(log, line);
            });
        }
        for (auto& writer : writers)
            writer.join();
        const QList<QByteArray> lines = content_of(place, "requests.jsonl").split('\n');
        QCOMPARE(lines.size(), 4 * 50 + 1);
        for (const QByteArray& line : lines.mid(0, 200))
            QVERIFY(line == QByteArray(5000, line.at(0)));
    }

    void log_line_that_does_not_fit_is_not_written_at_all()
    {
        QTemporaryDir place;
        if (!test_platform::mount_small_disk(place.path(), 16))
            QSKIP("needs a small disk of its own: root mounts one on Linux");
        const std::string log = in(place, "requests.jsonl");
        platform::append_line(log, std::string(100, 'a'));
        bool refused = false;
        for (int i = 0; i < 100 && !refused; ++i) {
            try {
                platform::append_line(log, std::string(3000, 'b'));
            } catch (const std::system_error&) {
                refused = true;
            }
        }
        const QByteArray written = content_of(place, "requests.jsonl");
        test_platform::unmount(place.path());
        QVERIFY(refused);
        const QList<QByteArray> lines = written.split('\n');
        QCOMPARE(lines.last(), QByteArray()); // the last line ends as it should
        QCOMPARE(lines.first().size(), 100);
        for (const QByteArray& line : lines.mid(1, lines.size() - 2))
            QCOMPARE(line.size(), 3000);
    }

    void disk_filling_up_is_told_as_a_full_disk()
    {
        QTemporaryDir place;
        if (!test_platform::mount_small_disk(place.path(), 64))
            QSKIP("needs a small disk of its own: root mounts one on Linux and under Wine");
        bool told = false;
        try {
            platform::Unpublished_File file(in(place));
            write_all(file, QByteArray(200000, 'x'));
        } catch (const std::system_error& error) {
            qInfo("%s", error.what());
            told = error.code() == std::errc::no_space_on_device;
        }
        test_platform::unmount(place.path());
        QVERIFY(told);
    }

    void log_that_is_no_regular_file_is_refused_at_once_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("a folder") << "folder";
        if (posix()) {
            QTest::newRow("a FIFO nobody reads") << "fifo";
            QTest::newRow("a link to another's file") << "link";
            QTest::newRow("a device") << "device";
        }
    }
    void log_that_is_no_regular_file_is_refused_at_once()
    {
        QFETCH(QString, what);
        QTemporaryDir place;
        const QString log = place.filePath("requests.jsonl");
        const QString victim = place.filePath("victim");
        QFile(victim).open(QIODevice::WriteOnly);
        if (what == "folder")
            QVERIFY(QDir(place.path()).mkdir("requests.jsonl"));
        if (what == "fifo")
            QVERIFY(QProcess::execute("mkfifo", {log}) == 0);
        if (what == "link")
            QVERIFY(QFile::link(victim, log));
        const std::string path = what == "device" ? std::string("/dev/full")
                                                  : QDir::toNativeSeparators(log).toStdString();
        QVERIFY_THROWS_EXCEPTION(std::exception, platform::append_line(path, "line"));
        QCOMPARE(content_of(place, "victim"), QByteArray());
    }

    void log_held_by_another_program_is_given_up_after_a_few_seconds_data()
    {
        QTest::addColumn<bool>("unshared");
        QTest::newRow("locked") << false;
        if (!posix())
            QTest::newRow("opened without sharing") << true;
    }
    void log_held_by_another_program_is_given_up_after_a_few_seconds()
    {
        QFETCH(bool, unshared);
        QTemporaryDir place;
        const QString log = place.filePath("requests.jsonl");
        {
            test_platform::Held_File held(log, unshared);
            QVERIFY_THROWS_EXCEPTION(std::exception,
                platform::append_line(QDir::toNativeSeparators(log).toStdString(), "waited"));
        }
        platform::append_line(QDir::toNativeSeparators(log).toStdString(), "free again");
        QCOMPARE(content_of(place, "requests.jsonl"), QByteArray("free again\n"));
    }

    void line_after_a_line_left_open_starts_a_line_of_its_own()
    {
        QTemporaryDir place;
        QFile log(place.filePath("requests.jsonl"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("{\"torn\": ");
        log.close();
        platform::append_line(in(place, "requests.jsonl"), "{}");
        platform::append_line(in(place, "requests.jsonl"), "{}");
        QCOMPARE(content_of(place, "requests.jsonl"), QByteArray("{\"torn\": \n{}\n{}\n"));
    }

    void output_folder_that_is_not_the_user_s_own_is_refused_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("refused");
        QTest::newRow("made anew") << "new" << false;
        if (posix()) {
            QTest::newRow("others may write in it") << "others write" << true;
            QTest::newRow("another user's") << "other user" << true;
        }
    }
    void output_folder_that_is_not_the_user_s_own_is_refused()
    {
        QFETCH(QString, what);
        QFETCH(bool, refused);
        QTemporaryDir place;
        const QString folder = place.filePath("brintlow/Pelderwick");
        if (what != "new")
            QVERIFY(QDir().mkpath(folder));
        if (what == "others write")
            QVERIFY(QProcess::execute("chmod", {"0777", folder}) == 0);
        if (what == "other user" && QProcess::execute("chown", {"65534", folder}) != 0)
            QSKIP("giving a folder away needs root");
        const std::string path = QDir::toNativeSeparators(folder).toStdString();
        if (refused)
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, platform::make_output_folder(path));
        else
            platform::make_output_folder(path);
        QVERIFY(QFileInfo(folder).isDir());
    }

    void shared_output_folder_lets_each_account_add_but_read_only_its_own()
    {
        if (posix())
            QSKIP("the output folder is the user's own off Windows");
        QTemporaryDir place;
        const QString folder = place.filePath("brintlow/Pelderwick");
        platform::make_output_folder(QDir::toNativeSeparators(folder).toStdString());
        if (!test_platform::folder_rights(folder).contains("CO)"))
            QSKIP("this Windows keeps no rights on its folders (Wine)");
        for (const QString& made : {place.filePath("brintlow"), folder}) {
            const QString rights = test_platform::folder_rights(made);
            QVERIFY2(rights.startsWith("D:P"), qPrintable(rights)); // nothing from C:\ above
            QVERIFY2(rights.contains("(A;;0x1200af;;;BU)"), qPrintable(rights)); // see, add
            QVERIFY2(rights.contains("(A;OICIIO;FA;;;CO)"), qPrintable(rights)); // its creator's
        }
    }

    void files_are_made_as_the_umask_says()
    {
        if (!posix())
            QSKIP("no umask on Windows");
        QTemporaryDir place;
        test_platform::Fuse_Folder without_nameless_files({});
        for (const QString& folder : {place.path(), without_nameless_files.path()}) {
            if (folder == without_nameless_files.path() && !without_nameless_files.mounted())
                continue;
            for (const auto& [mask, permissions] :
                {std::pair {0077, 0600}, {0022, 0644}, {0002, 0664}}) {
                const int former = test_platform::set_umask(mask);
                platform::Unpublished_File file(folder.toStdString());
                write_all(file, "x");
                const QString name = QStringLiteral("mask-%1").arg(mask);
                QVERIFY(file.publish(name.toStdString()));
                test_platform::set_umask(former);
                QCOMPARE(unix_permissions(QFileInfo(folder + "/" + name)), permissions);
            }
        }
    }

    void folder_without_hard_links_still_publishes_whole_and_never_over_another_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::newRow("no hard links") << QStringList {"--no-links"};
        QTest::newRow("no hard links, no exclusive rename")
            << QStringList {"--no-links", "--no-exclusive-rename"};
    }
    void folder_without_hard_links_still_publishes_whole_and_never_over_another()
    {
        QFETCH(QStringList, faults);
        test_platform::Fuse_Folder folder(faults);
        if (!folder.mounted())
            QSKIP("needs FUSE (root and /dev/fuse) and the tests' pass-through");
        const std::string path = folder.path().toStdString();
        // Left by a program of ours that ended before it published: swept; a running one's kept.
        QProcess ended;
        ended.start("true");
        QVERIFY(ended.waitForStarted());
        const qint64 ended_pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QProcess still_running;
        still_running.start("sleep", {"60"});
        QVERIFY(still_running.waitForStarted());
        const QString stale = QStringLiteral(".pelderwick-%1-stale").arg(ended_pid);
        const QString running
            = QStringLiteral(".pelderwick-%1-running").arg(still_running.processId());
        QFile(folder.path() + "/" + stale).open(QIODevice::WriteOnly);
        QFile(folder.path() + "/" + running).open(QIODevice::WriteOnly);
        {
            platform::Unpublished_File first(path);
            write_all(first, QByteArray(100000, 'x'));
            QVERIFY(first.publish("name.pdf"));
        }
        platform::Unpublished_File second(path);
        write_all(second, "second");
        QVERIFY(!second.publish("name.pdf"));
        QVERIFY(second.publish("name-2.pdf"));
        const QDir listing(folder.path());
        QCOMPARE(listing.entryList(QDir::Files | QDir::Hidden, QDir::Name),
            QStringList({running, "name-2.pdf", "name.pdf"}));
        QCOMPARE(QFile(folder.path() + "/name.pdf").size(), 100000);
        still_running.kill();
        still_running.waitForFinished();
    }

    void home_without_HOME_is_the_system_s_data()
    {
        QTest::addColumn<QByteArray>("home"); // empty: unset
        QTest::newRow("unset") << QByteArray();
        QTest::newRow("relative") << QByteArray("some/folder");
    }
    void home_without_HOME_is_the_system_s()
    {
        if (!posix())
            QSKIP("\"C:\" is a drive of its own on Windows");
        QFETCH(QByteArray, home);
        const QByteArray before = qgetenv("HOME");
        if (home.isEmpty())
            qunsetenv("HOME");
        else
            qputenv("HOME", home);
        const std::string path = platform::local_path("C:/brintlow/Pelderwick/");
        qputenv("HOME", before);
        QVERIFY2(path.front() == '/', path.c_str());
        QVERIFY(path.ends_with("/brintlow/Pelderwick/"));
        QVERIFY(path.find("some/folder") == std::string::npos);
    }

    void lines_waiting_when_the_program_ends_still_go_out()
    {
        QProcess probe;
        probe.start(test_platform::built_program("lines_probe"), {});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        QList<QByteArray> lines = unix_line_ends(probe.readAllStandardOutput()).split('\n');
        // Where the end of the process stops the writing thread first (Windows), the line it was
        // writing may come out twice; none is lost.
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (lines[i] == lines[i - 1]) {
                lines.removeAt(i);
                break;
            }
        }
        QList<QByteArray> expected;
        for (int i = 0; i < 2000; ++i)
            expected << "line " + QByteArray::number(i);
        QCOMPARE(lines, expected << QByteArray());
        QCOMPARE(unix_line_ends(probe.readAllStandardError()), "the last line\n");
    }

    void home_s_bytes_are_kept_as_they_are()
    {
        if (!posix())
            QSKIP("Windows paths are Unicode");
        const QByteArray before = qgetenv("HOME");
        qputenv("HOME", QByteArray("/tmp/caf\\xe9-\\xff"));
        const std::string path = platform::local_path("C:/brintlow/Pelderwick/");
        qputenv("HOME", before);
        QCOMPARE(path, std::string("/tmp/caf\\xe9-\\xff/brintlow/Pelderwick/"));
    }
};

QTEST_GUILESS_MAIN(Tst_Platform)
#include "tst_platform.moc"
