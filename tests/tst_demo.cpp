// The program as a new user on a machine without a display meets it: it shows the whole job
// once by itself, offscreen, and says where the results are.

#include "platform.h"
#include "request_fields.h"
#include "test_platform.h"

#include <QDir>
#include <QImage>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

qsizetype journal_lines(const QDir& folder)
{
    QFile journal(folder.filePath("requests.jsonl"));
    return journal.open(QIODevice::ReadOnly) ? journal.readAll().count('\n') : 0;
}

} // namespace

class Tst_Demo : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() { qputenv("HOME", home_.path().toUtf8()); } // "C:" off Windows

    void demo_makes_three_envelopes_and_a_picture_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display_unset");
        QTest::addColumn<QString>("setting"); // a variable of the environment, NAME=VALUE
        QTest::newRow("asked for") << QStringList {"--demo"} << false << QString();
        QTest::newRow("no display") << QStringList {} << true << QString();
        QTest::newRow("a display that is not there") << QStringList {} << true << "DISPLAY=:97";
        for (const char* scale : {"0", "1000", "nan", "-2"}) {
            QTest::addRow("QT_SCALE_FACTOR=%s", scale)
                << QStringList {"--demo"} << false << QStringLiteral("QT_SCALE_FACTOR=") + scale;
        }
        QTest::newRow("QT_SCREEN_SCALE_FACTORS=0")
            << QStringList {"--demo"} << false << "QT_SCREEN_SCALE_FACTORS=0";
        for (const char* dpi : {"100000", "10000", "0", "96dpi"}) {
            QTest::addRow("QT_FONT_DPI=%s", dpi)
                << QStringList {"--demo"} << false << QStringLiteral("QT_FONT_DPI=") + dpi;
        }
    }
    void demo_makes_three_envelopes_and_a_picture()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display_unset);
        QFETCH(QString, setting);
        if (display_unset
            && QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
            QSKIP("a Windows desktop always has a display");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (display_unset) {
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                environment.remove(name);
        }
        if (!setting.isEmpty())
            environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        const QDir folder(QString::fromStdString(platform::local_path(output_folder)));
        const auto envelopes_before = folder.entryList({"*.pdf"}).size();
        const auto lines_before = journal_lines(folder);
        QProcess host;
        host.setProcessEnvironment(environment);
        host.start(test_platform::built_program(QStringLiteral("pelderwick")), arguments);
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitCode(), 0);
        QCOMPARE(host.readAllStandardError().contains("left out"), setting.startsWith("QT_"));
        const QString out = QString::fromUtf8(host.readAllStandardOutput());
        QVERIFY2(out.contains(folder.path()), qPrintable(out));
        QCOMPARE(out.contains(QStringLiteral("No display")), display_unset);
        QVERIFY(!out.contains(QStringLiteral("請安裝"))); // Qt's libraries are all there
        QCOMPARE(folder.entryList({"*.pdf"}).size(), envelopes_before + 3);
        QVERIFY(!QImage(folder.filePath("demo-window.png")).isNull());
        QCOMPARE(journal_lines(folder), lines_before + 3);
        QVERIFY(out.trimmed().endsWith(QStringLiteral("關閉程式")));
    }

    void window_alone_without_a_display_says_so_data()
    {
        QTest::addColumn<QString>("display"); // empty: unset
        QTest::newRow("no display") << QString();
        QTest::newRow("a display that is not there") << ":97";
    }
    void window_alone_without_a_display_says_so()
    {
        if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
            QSKIP("a Windows desktop always has a display");
        QFETCH(QString, display);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        if (!display.isEmpty())
            environment.insert("DISPLAY", display);
        QProcess alone;
        alone.setProcessEnvironment(environment);
        alone.start(test_platform::built_program(QStringLiteral("pelderwick_stand_alone")), {});
        QVERIFY(alone.waitForFinished(60000));
        QCOMPARE(alone.exitStatus(), QProcess::NormalExit);
        QCOMPARE(alone.exitCode(), 1);
        const QList<QByteArray> errors = alone.readAllStandardError().trimmed().split('\n');
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].contains("no display"));
    }
};

QTEST_GUILESS_MAIN(Tst_Demo)
#include "tst_demo.moc"
