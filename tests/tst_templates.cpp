// The template folder beside the module: found from any working directory, and a missing or
// broken image costs one line on standard output, never the window.

#include "capture.h"
#include "test_platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString folder_name = QStringLiteral("格式範本");
const QString all_widgets = QStringLiteral(
    "logo.png,logo(僅文字).png,image_logo_text,輸出單據,齒輪.png,資料夾.png,垃圾桶.png,"
    "問號001.png,optionmenu_001,寄件人地址,收件人地址[6]");
const QString without_logos = QStringLiteral(
    "輸出單據,齒輪.png,資料夾.png,垃圾桶.png,問號001.png,optionmenu_001,寄件人地址,收件人地址[6]");

struct Run
{
    QStringList errors; // lines before the probe's report
    QString icon;
    QString widgets;
    QString gear_image;
    QString last;
};

// Copies the probe beside a template folder prepared by `prepare`, into a folder named `where`,
// runs it from "/".
Run run_probe(const std::function<void(QDir folder)>& prepare, const QString& where = "installed")
{
    QTemporaryDir top;
    QDir(top.path()).mkdir(where);
    const QDir place(top.filePath(where));
    const QString built = QCoreApplication::applicationDirPath();
    const QString probe_file = QFileInfo(test_platform::built_program("template_probe")).fileName();
    QFile::copy(built + QLatin1Char('/') + probe_file, place.filePath(probe_file));
    QDir(place.path()).mkdir(folder_name);
    QDir folder(place.filePath(folder_name));
    const QDir source(built + QLatin1Char('/') + folder_name);
    for (const QString& file : source.entryList(QDir::Files))
        QFile::copy(source.filePath(file), folder.filePath(file));
    prepare(folder);
    QProcess probe;
    probe.setWorkingDirectory(QStringLiteral("/"));
    probe.setProcessEnvironment(test_platform::environment_for_copied_program());
    probe.start(place.filePath(probe_file), {});
    probe.waitForFinished(60000);
    Run run;
    const auto lines = QString::fromUtf8(unix_line_ends(probe.readAllStandardOutput()))
                           .split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("icon=")))
            run.icon = line.mid(5);
        else if (line.startsWith(QLatin1String("widgets=")))
            run.widgets = line.mid(8);
        else if (line.startsWith(QLatin1String("gear_image=")))
            run.gear_image = line.mid(11);
        else if (run.icon.isEmpty())
            run.errors << line;
    }
    run.last = lines.isEmpty() ? QString() : lines.last();
    return run;
}

bool posix()
{
    return QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows;
}

void remove(QDir folder, const char* name)
{
    QVERIFY(folder.remove(QString::fromUtf8(name)));
}

void spoil(QDir folder, const char* name, const QByteArray& content)
{
    QFile file(folder.filePath(QString::fromUtf8(name)));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

} // namespace

class Tst_Templates : public QObject
{
    Q_OBJECT

private slots:
    void complete_folder_is_found_from_another_working_directory()
    {
        const Run run = run_probe([](QDir) {});
        QVERIFY(run.errors.isEmpty());
        QCOMPARE(run.icon, QStringLiteral("yes"));
        QCOMPARE(run.widgets, all_widgets);
        QCOMPARE(run.gear_image, QStringLiteral("yes"));
        QCOMPARE(run.last, QStringLiteral("關閉程式"));
    }

    void folder_with_a_backslash_in_its_name_is_found()
    {
        if (!posix())
            QSKIP("Windows names hold no backslash");
        const Run run = run_probe([](QDir) {}, QStringLiteral("Pelderwick\\2026"));
        QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors.join('\n')));
        QCOMPARE(run.widgets, all_widgets);
        QCOMPARE(run.gear_image, QStringLiteral("yes"));
    }

    void missing_icon_leaves_the_default_icon()
    {
        const Run run = run_probe([](QDir folder) { remove(folder, "logo.ico"); });
        QCOMPARE(run.errors.size(), 1);
        QVERIFY(run.errors[0].contains(QStringLiteral("logo.ico")));
        QCOMPARE(run.icon, QStringLiteral("no"));
        QCOMPARE(run.widgets, all_widgets);
    }

    void broken_square_logo_drops_the_whole_logo_block_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: the file is missing
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("empty file") << QByteArray("");
        QTest::newRow("truncated") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
        QTest::newRow("wrong format") << QByteArray("GIF89a not really");
        if (posix())
            QTest::newRow("a FIFO nobody writes") << QByteArray("fifo");
    }
    void broken_square_logo_drops_the_whole_logo_block()
    {
        QFETCH(QByteArray, content);
        const bool missing = QTest::currentDataTag() == QByteArray("missing");
        const Run run = run_probe([&](QDir folder) {
            if (missing)
                remove(folder, "logo.png");
            else if (content == "fifo")
                QVERIFY(folder.remove("logo.png")
                    && QProcess::execute("mkfifo", {folder.filePath("logo.png")}) == 0);
            else
                spoil(folder, "logo.png", content);
        });
        QCOMPARE(run.errors.size(), 1);
        QVERIFY(run.errors[0].contains(QStringLiteral("logo.png")));
        QCOMPARE(run.widgets, without_logos);
        QCOMPARE(run.last, QStringLiteral("關閉程式"));
    }

    void missing_lettering_keeps_the_square_logo_only()
    {
        const Run run = run_probe([](QDir folder) { remove(folder, "logo(僅文字).png"); });
        QCOMPARE(run.errors.size(), 1);
        QCOMPARE(run.widgets, QStringLiteral("logo.png,") + without_logos);
    }

    void missing_button_image_keeps_the_button()
    {
        const Run run = run_probe([](QDir folder) { remove(folder, "齒輪.png"); });
        QCOMPARE(run.errors.size(), 1);
        QCOMPARE(run.widgets, all_widgets);
        QCOMPARE(run.gear_image, QStringLiteral("no"));
    }

    void missing_folder_still_opens_a_working_window()
    {
        const Run run = run_probe([](QDir folder) { QVERIFY(folder.removeRecursively()); });
        QCOMPARE(run.errors.size(), 6); // icon, logo block, four button images
        QCOMPARE(run.icon, QStringLiteral("no"));
        QCOMPARE(run.widgets, without_logos);
        QCOMPARE(run.last, QStringLiteral("關閉程式"));
    }
};

QTEST_GUILESS_MAIN(Tst_Templates)
#include "tst_templates.moc"
