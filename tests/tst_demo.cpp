// The program as a new user on a machine without a display meets it: it shows the whole job
// once by itself, offscreen, and says where the results are.

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class Tst_Demo : public QObject
{
    Q_OBJECT

private slots:
    void demo_makes_three_envelopes_and_a_picture_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display_unset");
        QTest::newRow("asked for") << QStringList {"--demo"} << false;
        QTest::newRow("no display") << QStringList {} << true;
    }
    void demo_makes_three_envelopes_and_a_picture()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display_unset);
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        if (display_unset) {
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                environment.remove(name);
        }
        QProcess host;
        host.setProcessEnvironment(environment);
        host.start(QCoreApplication::applicationDirPath() + "/pelderwick", arguments);
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitCode(), 0);
        const QString out = QString::fromUtf8(host.readAllStandardOutput());
        const QDir folder(home.filePath("brintlow/Pelderwick"));
        QVERIFY2(out.contains(folder.path()), qPrintable(out));
        QCOMPARE(out.contains(QStringLiteral("No display")), display_unset);
        QCOMPARE(folder.entryList({"*.pdf"}).size(), 3);
        QVERIFY(!QImage(folder.filePath("demo-window.png")).isNull());
        QFile journal(folder.filePath("requests.jsonl"));
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QCOMPARE(journal.readAll().count('\n'), 3);
        QVERIFY(out.trimmed().endsWith(QStringLiteral("關閉程式")));
    }
};

QTEST_GUILESS_MAIN(Tst_Demo)
#include "tst_demo.moc"
