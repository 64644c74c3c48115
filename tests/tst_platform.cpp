// The platform layer's files: an envelope appears under its name only complete and never over
// another file, a log line goes in whole or not at all, and the home is found without HOME. And
// the lines a program hands over all go out, even when it ends at once.

#include "capture.h"
#include "platform.h"
#include "test_platform.h"

#include <QDir>
#include <QFile>
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
    QFile device;
    QVERIFY(device.open(file.descriptor(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle));
    QCOMPARE(device.write(content), content.size());
    QVERIFY(device.flush());
}

QByteArray content_of(const QTemporaryDir& place, const char* name)
{
    QFile file(place.filePath(QString::fromUtf8(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
