// The worker's envelopes: page size and orientation per format, the texts on the page, red
// boxes only where the format has them, hostile recipient names, odd ratios, long addresses.

#include "envelope.h"
#include "sample_request.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <set>
#include <unistd.h>

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QSizeF page_size_pt(const QString& pdf)
{
    const auto match = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
                           .match(run("pdfinfo", {pdf}));
    return match.hasMatch() ? QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble())
                            : QSizeF();
}

QString page_text(const QString& pdf)
{
    return run("pdftotext", {pdf, "-"}).remove(QRegularExpression(QStringLiteral("\\s")));
}

QImage rendered(const QString& pdf, int dpi)
{
    QTemporaryDir place;
    run("pdftoppm",
        {"-r", QString::number(dpi), "-png", "-singlefile", pdf, place.filePath("page")});
    return QImage(place.filePath("page.png"));
}

bool is_red(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 110 && qBlue(pixel) < 110;
}

int red_pixels(const QImage& page, QRectF area_mm, double px_per_mm)
{
    const QRect area(QPointF(area_mm.topLeft() * px_per_mm).toPoint(),
        QPointF(area_mm.bottomRight() * px_per_mm).toPoint());
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += page.valid(x, y) && is_red(page.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

bool holds_each_character(const QString& text, const QString& wanted)
{
    for (const QChar c : wanted) {
        if (!c.isSpace() && !text.contains(c))
            return false;
    }
    return true;
}

} // namespace

class Tst_Envelopes : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;

    QString make(const Record& r) { return QString::fromStdString(make_envelope(r).string()); }

private slots:
    void initTestCase()
    {
        qputenv("HOME", home_.path().toUtf8());
        QVERIFY2(!QStandardPaths::findExecutable("pdfinfo").isEmpty(), "poppler-utils is needed");
    }

    void each_format_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSizeF>("size_mm");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<bool>("framed");
        QTest::newRow("12K vertical")
            << "12K直式信封(11.5cm x 23cm)" << QSizeF(115, 230) << true << true;
        QTest::newRow("12K horizontal")
            << "12K橫式信封(23cm x 11.5cm)" << QSizeF(230, 115) << false << true;
        QTest::newRow("DL") << "DL橫式信封(22cm x 11cm)" << QSizeF(220, 110) << false << true;
        QTest::newRow("12K vertical, no frame")
            << "12K直式信封(無框線)(11.5cm x 23cm)" << QSizeF(115, 230) << true << false;
        QTest::newRow("12K horizontal, no frame")
            << "12K橫式信封(無框線)(23cm x 11.5cm)" << QSizeF(230, 115) << false << false;
        QTest::newRow("western") << "西式信封(10cm x 22cm)" << QSizeF(220, 100) << false << true;
    }
    void each_format()
    {
        QFETCH(QString, format);
        QFETCH(QSizeF, size_mm);
        QFETCH(bool, vertical);
        QFETCH(bool, framed);
        const QString pdf = make(sample_request(format.toStdString(), "Chang 張偉倫"));
        const QSizeF size = page_size_pt(pdf);
        QVERIFY(std::abs(size.width() - size_mm.width() * 72 / 25.4) < 1);
        QVERIFY(std::abs(size.height() - size_mm.height() * 72 / 25.4) < 1);
        QCOMPARE(size.height() > size.width(), vertical);
        const QString text = page_text(pdf);
        for (const char* wanted : {"Chang張偉倫", "陳大文", "臺中市西區民權路91號5樓",
                 "臺北市大安區復興南路一段390號", "403041", "106"})
            QVERIFY2(holds_each_character(text, QString::fromUtf8(wanted)), wanted);
        const double px_per_mm = 100 / 25.4;
        const QImage page = rendered(pdf, 100);
        QVERIFY(!page.isNull());
        const QRectF boxes = vertical
            ? QRectF(size_mm.width() - 8 - 46, 9, 47, 10)
            : QRectF(size_mm.width() * 0.38 - 1, size_mm.height() * 0.42 - 1, 48, 10);
        if (framed)
            QVERIFY(red_pixels(page, boxes, px_per_mm) > 50);
        else
            QCOMPARE(red_pixels(page, QRectF(QPointF(0, 0), size_mm), px_per_mm), 0);
    }

    void hostile_names_stay_in_the_folder_and_nothing_is_overwritten()
    {
        const QDir folder(home_.filePath("brintlow/Pelderwick"));
        const std::vector<std::string> names = {"../../evil", "a/b\\c", "C:\\Windows\\x", "..",
            "CON", "\x01\x1f", "名字:*?<>|", "/etc/passwd", ".hidden", "same", "same"};
        std::set<std::string> files;
        for (const std::string& name : names) {
            const auto path = make_envelope(sample_request("DL橫式信封(22cm x 11cm)", name));
            QCOMPARE(QDir(QString::fromStdString(path.parent_path().string())).canonicalPath(),
                folder.canonicalPath());
            QVERIFY(std::filesystem::exists(path));
            files.insert(path.filename().string());
        }
        QCOMPARE(files.size(), names.size());
        QVERIFY(!QFile::exists(home_.filePath("evil.pdf")));
    }

    void blank_request_gives_an_envelope_with_the_sender_only()
    {
        Record blank = sample_request("12K直式信封(11.5cm x 23cm)", "");
        blank["收件人郵遞區號"] = std::string();
        blank["收件人地址"] = std::string();
        const QString text = page_text(make(blank));
        QVERIFY(text.contains(QStringLiteral("陳大文")));
        QVERIFY(!text.contains(QStringLiteral("收")));
    }

    void ratio_that_is_not_a_positive_number_renders_at_one_with_a_warning_data()
    {
        QTest::addColumn<double>("ratio");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -0.5;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
    }
    void ratio_that_is_not_a_positive_number_renders_at_one_with_a_warning()
    {
        QFETCH(double, ratio);
        Record r = sample_request("DL橫式信封(22cm x 11cm)");
        r["文字大小比例"] = ratio;
        char name[] = "/tmp/stderr-XXXXXX";
        const int file = mkstemp(name);
        const int saved = dup(STDERR_FILENO);
        dup2(file, STDERR_FILENO);
        const QString pdf = make(r);
        fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        close(file);
        QFile captured(QString::fromLatin1(name));
        QVERIFY(captured.open(QIODevice::ReadOnly));
        QCOMPARE(captured.readAll().count('\n'), 1);
        captured.remove();
        QVERIFY(page_text(pdf).contains(QStringLiteral("王小明")));
    }

    void long_address_wraps_and_shrinks_inside_the_page_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("vertical") << "12K直式信封(11.5cm x 23cm)";
        QTest::newRow("horizontal") << "DL橫式信封(22cm x 11cm)";
    }
    void long_address_wraps_and_shrinks_inside_the_page()
    {
        QFETCH(QString, format);
        Record r = sample_request(format.toStdString());
        std::string address;
        for (int i = 0; i < 12; ++i)
            address += "臺中市西區民權路" + std::to_string(100 + i) + "號";
        r["收件人地址"] = address;
        r["文字大小比例"] = 3.0;
        const QString pdf = make(r);
        const QSizeF page = page_size_pt(pdf);
        const QString boxes = run("pdftotext", {"-bbox", pdf, "-"});
        const QRegularExpression word(QStringLiteral(
            "xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""));
        int words = 0;
        for (auto it = word.globalMatch(boxes); it.hasNext(); ++words) {
            const auto m = it.next();
            QVERIFY(m.captured(1).toDouble() >= 0 && m.captured(3).toDouble() <= page.width());
            QVERIFY(m.captured(2).toDouble() >= 0 && m.captured(4).toDouble() <= page.height());
        }
        QVERIFY(words > 0);
        QVERIFY(holds_each_character(page_text(pdf), QString::fromStdString(address)));
    }

    void unknown_format_is_refused()
    {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, envelope_format("A4 信封"));
    }
};

QTEST_MAIN(Tst_Envelopes)
#include "tst_envelopes.moc"
