// The worker's envelopes: page size and orientation per format, the texts on the page, red
// boxes only where the format has them, hostile recipient names, odd ratios, long addresses.

#include "capture.h"
#include "envelope.h"
#include "file_names.h"
#include "layout.h"
#include "names.h"
#include "pdf_tools.h"
#include "platform.h"
#include "production.h"
#include "request_fields.h"
#include "sample_request.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <set>

namespace {

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

// The output folder of the requests, where this system keeps it.
QDir output_folder_here()
{
    return QDir(QString::fromStdString(platform::local_path(output_folder)));
}

} // namespace

class Tst_Envelopes : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;

    QString make(const Record& r) { return QString::fromStdString(make_envelope(r).path); }

private slots:
    void initTestCase()
    {
        qputenv("HOME", home_.path().toUtf8()); // the output folder "C:/..." off Windows
        QVERIFY2(pdf_tools_available(), "poppler-utils is needed");
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
        const Pdf_Page read = read_pdf(pdf);
        QVERIFY(std::abs(read.size.width() - size_mm.width() * 72 / 25.4) < 1);
        QVERIFY(std::abs(read.size.height() - size_mm.height() * 72 / 25.4) < 1);
        QCOMPARE(read.size.height() > read.size.width(), vertical);
        const QString text = read.text();
        for (const char* wanted : {"Chang張偉倫", "陳大文", "臺中市西區民權路91號5樓",
                 "臺北市大安區復興南路一段390號", "403041", "106"})
            QVERIFY2(holds_each_character(text, QString::fromUtf8(wanted)), wanted);
        const double px_per_mm = 100 / 25.4;
        const QImage page = render_pdf(pdf, 100);
        QVERIFY(!page.isNull());
        const auto where = marks_of(envelope_format(format.toStdString())).code_boxes;
        const QRectF boxes = where.front().united(where.back()).adjusted(-1, -1, 1, 1);
        if (framed)
            QVERIFY(red_pixels(page, boxes, px_per_mm) > 50);
        else
            QCOMPARE(red_pixels(page, QRectF(QPointF(0, 0), size_mm), px_per_mm), 0);
    }

    void invisible_format_characters_stay_off_the_page()
    {
        // As copied from a web page or a spreadsheet: the address is read, nothing invisible set.
        const QString marks = QString::fromUtf16(u"\u200B\u00AD\u200E\u2060\uFEFF");
        Record request
            = sample_request("DL橫式信封(22cm x 11cm)", "王" + marks.toStdString() + "小明");
        request[request_key::recipient_postal_code] = std::string();
        request[request_key::recipient_address]
            = QString("新北" + marks + "市板橋區文化路一段188號").toStdString();
        const QString text = read_pdf(make(request)).text();
        for (const QChar mark : marks)
            QVERIFY2(!text.contains(mark), qPrintable(QString::number(mark.unicode(), 16)));
        QVERIFY(text.contains(QStringLiteral("220"))); // the code read from the address
        QVERIFY(holds_each_character(text, QStringLiteral("王小明新北市板橋區")));
    }

    void hostile_names_stay_in_the_folder_and_nothing_is_overwritten()
    {
        const QDir folder = output_folder_here();
        const std::vector<std::string> names = {"../../evil", "a/b\\c", "C:\\Windows\\x", "..",
            "CON", "\x01\x1f", "名字:*?<>|", "/etc/passwd", ".hidden", "same", "same"};
        std::set<std::string> files;
        for (const std::string& name : names) {
            const Envelope made = make_envelope(sample_request("DL橫式信封(22cm x 11cm)", name));
            const QFileInfo file(QString::fromStdString(made.path));
            QCOMPARE(file.dir().canonicalPath(), folder.canonicalPath());
            QVERIFY(file.exists());
            files.insert(made.name);
        }
        QCOMPARE(files.size(), names.size());
        QVERIFY(!QFile::exists(folder.filePath("../../evil.pdf")));
    }

    void blank_request_gives_an_envelope_with_the_sender_only()
    {
        Record blank = sample_request("12K直式信封(11.5cm x 23cm)", "");
        blank[request_key::recipient_postal_code] = std::string();
        blank[request_key::recipient_address] = std::string();
        const QString text = read_pdf(make(blank)).text();
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
        r[request_key::size_ratio] = ratio;
        const Envelope made = make_envelope(r);
        QCOMPARE(made.warnings.size(), std::size_t(1));
        QVERIFY(
            read_pdf(QString::fromStdString(made.path)).text().contains(QStringLiteral("王小明")));
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
        std::string address; // long, yet not too long for the 4 mm the recipient is set at least
        for (int i = 0; i < 6; ++i)
            address += "臺中市西區民權路" + std::to_string(100 + i) + "號";
        r[request_key::recipient_address] = address;
        r[request_key::size_ratio] = 3.0;
        const Pdf_Page page = read_pdf(make(r));
        QVERIFY(!page.words.empty());
        QVERIFY2(
            page.words_off_the_page().isEmpty(), qPrintable(page.words_off_the_page().join(' ')));
        QVERIFY(holds_each_character(page.text(), QString::fromStdString(address)));
    }

    void text_too_long_for_its_block_is_cut_with_a_mark_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("vertical") << "12K直式信封(11.5cm x 23cm)";
        QTest::newRow("horizontal") << "DL橫式信封(22cm x 11cm)";
    }
    void text_too_long_for_its_block_is_cut_with_a_mark()
    {
        QFETCH(QString, format);
        Record r = sample_request(format.toStdString());
        std::string address;
        while (address.size() < 9000 * 3)
            address += "臺中市西區民權路";
        r[request_key::recipient_name] = std::string(10000, 'N') + "王";
        r[request_key::recipient_address] = address;
        const Envelope made = make_envelope(r);
        QStringList warnings;
        for (const Warning& warning : made.warnings)
            warnings << QString::fromStdString(warning.text);
        QVERIFY2(warnings.size() == 2, qPrintable(warnings.join('\n')));
        QVERIFY(warnings.filter(QStringLiteral("收件人地址")).size() == 1);
        QVERIFY(warnings.filter(QStringLiteral("收件人姓名")).size() == 1);
        const Pdf_Page page = read_pdf(QString::fromStdString(made.path));
        QVERIFY2(
            page.words_off_the_page().isEmpty(), qPrintable(page.words_off_the_page().join(' ')));
        QVERIFY(page.text().contains(QStringLiteral("……"))
            || page.text().contains(QStringLiteral("︙︙")));
    }

    void any_ratio_still_makes_an_envelope_within_the_page_data()
    {
        QTest::addColumn<double>("ratio");
        QTest::newRow("tiny") << 1e-307;
        QTest::newRow("smallest double") << 5e-324;
        QTest::newRow("huge") << 1e306;
        QTest::newRow("largest double") << std::numeric_limits<double>::max();
    }
    void any_ratio_still_makes_an_envelope_within_the_page()
    {
        QFETCH(double, ratio);
        Record r = sample_request("12K直式信封(11.5cm x 23cm)");
        r[request_key::size_ratio] = ratio;
        const Pdf_Page page = read_pdf(QString::fromStdString(make_envelope(r).path));
        QVERIFY(page.text().contains(QStringLiteral("王小明")));
        QVERIFY2(
            page.words_off_the_page().isEmpty(), qPrintable(page.words_off_the_page().join(' ')));
    }

    void file_names_are_whole_characters_shown_as_they_are_data()
    {
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("stem");
        // At most 60 characters and 180 bytes of UTF-8 (150 UTF-16 units): with the time and a
        // "-N", within every system's file names.
        const QString thumb = QString::fromUtf8("👍🏽"); // 8 bytes
        QTest::newRow("emoji cut between two whole ones")
            << thumb.repeated(61) << thumb.repeated(22);
        QTest::newRow("supplementary characters") // 4 bytes each
            << QString::fromUtf8("𠮷").repeated(70) << QString::fromUtf8("𠮷").repeated(45);
        QTest::newRow("flags") << QString::fromUtf8("🇹🇼").repeated(60)
                               << QString::fromUtf8("🇹🇼").repeated(22);
        QTest::newRow("short names by characters")
            << QString("王").repeated(61) << QString("王").repeated(60);
        QTest::newRow("one letter under 300 marks, cut between code points") << "a"
                + QString(QChar(0x301)).repeated(300) << "a" + QString(QChar(0x301)).repeated(89);
        QTest::newRow("line and paragraph separators, C1 controls")
            << QString::fromUtf8("王大 明 ") << "王_大_明_";
        QTest::newRow("direction override") << QString::fromUtf8("\u202Efdp.exe") << "fdp.exe";
        QTest::newRow("isolates and marks")
            << QString::fromUtf8("\u2066王\u2069\u200F小明") << "王小明";
        QTest::newRow("zero width") << QString::fromUtf8("王\u200B小\uFEFF明\u00AD") << "王小明";
        QTest::newRow("reserved") << "a?b*c"
                                  << "a_b_c";
        QTest::newRow("device") << "lpt1"
                                << "_lpt1";
        QTest::newRow("dots and spaces at the ends") << " ..x.. "
                                                     << "_x_";
    }
    void file_names_are_whole_characters_shown_as_they_are()
    {
        QFETCH(QString, recipient);
        QFETCH(QString, stem);
        QCOMPARE(QString::fromStdString(safe_file_stem(recipient.toStdString())), stem);
    }

    void recipient_of_any_name_gets_an_envelope_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("58 characters of CJK Extension B") << QString::fromUtf8("𠀀").repeated(58);
        QTest::newRow("60 flags") << QString::fromUtf8("🇹🇼").repeated(60);
        QTest::newRow("a letter under 300 marks") << "a" + QString(QChar(0x301)).repeated(300);
        QTest::newRow("10,000 characters") << QString("名").repeated(10000);
    }
    void recipient_of_any_name_gets_an_envelope()
    {
        QFETCH(QString, name);
        const Envelope envelope
            = make_envelope(sample_request("DL橫式信封(22cm x 11cm)", name.toStdString()));
        QVERIFY(QFileInfo::exists(QString::fromStdString(envelope.path)));
        QVERIFY(envelope.name.size() <= 255 - 6); // room for a "-N"
    }

    void log_is_strict_json_and_names_what_is_wrong_with_the_ratio_data()
    {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QString>("warning");
        QTest::newRow("not a number") << std::nan("") << "文字大小比例不是數字";
        QTest::newRow("infinity, as 1e400 reads")
            << std::numeric_limits<double>::infinity() << "文字大小比例太大";
        QTest::newRow("negative") << -1.0 << "文字大小比例不是正數";
        QTest::newRow("negative infinity")
            << -std::numeric_limits<double>::infinity() << "文字大小比例不是正數";
    }
    void log_is_strict_json_and_names_what_is_wrong_with_the_ratio()
    {
        QFETCH(double, ratio);
        QFETCH(QString, warning);
        Record request = sample_request("12K直式信封(11.5cm x 23cm)");
        request[request_key::size_ratio] = ratio;
        const Production_Report report = produce(request);
        QVERIFY(report.made && report.logged);
        QFile log(output_folder_here().filePath("requests.jsonl"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
        const Record entry = record_from_json_line(lines.last().toStdString()); // strict JSON
        QCOMPARE(std::holds_alternative<std::string>(entry.at(request_key::size_ratio)),
            !std::isfinite(ratio));
        QVERIFY(QString::fromStdString(std::get<std::string>(entry.at("警告"))).contains(warning));
    }

    void longest_file_name_fits_every_system()
    {
        const std::string longest
            = envelope_stem(QString::fromUtf8("𠀀").repeated(58).toStdString()) + "-10000.pdf";
        QVERIFY(longest.size() <= 255);
        QVERIFY(
            QString::fromStdString(longest).size() + 23 < 260); // with "C:\brintlow\Pelderwick\"
    }

    void names_are_read_as_people_type_them_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("affiliation");
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("closing");
        QTest::newRow("a person") << "王大明先生" << QStringList() << "王大明先生"
                                  << "";
        QTest::newRow("company, department, person")
            << "鼎新資訊股份有限公司 總務部 陳雅婷"
            << QStringList {"鼎新資訊股份有限公司", "總務部"} << "陳雅婷"
            << "";
        QTest::newRow("a foundation's group, with 親啟")
            << "財團法人伊甸社會福利基金會　社工組 林小姐 親啟"
            << QStringList {"財團法人伊甸社會福利基金會", "社工組"} << "林小姐"
            << "親啟";
        QTest::newRow("a title after a space") << "王大明 先生" << QStringList() << "王大明 先生"
                                               << "";
        QTest::newRow("a Latin name with its Chinese one")
            << "Chang Wei-Lun 張偉倫" << QStringList() << "Chang Wei-Lun 張偉倫"
            << "";
        QTest::newRow("收 typed") << " 陳小姐 收 " << QStringList() << "陳小姐"
                                  << "收";
        // Every typed part before the person's is the organisation's, whatever its kind.
        QTest::newRow("a district office, the title apart")
            << "臺北市大安區公所 民政課 王小明 課長" << QStringList {"臺北市大安區公所", "民政課"}
            << "王小明 課長"
            << "";
        QTest::newRow("a school") << "新北市立板橋國民小學 教務處 陳老師"
                                  << QStringList {"新北市立板橋國民小學", "教務處"} << "陳老師"
                                  << "";
        QTest::newRow("a farmers' association")
            << "桃園市農會 會務部 張先生" << QStringList {"桃園市農會", "會務部"} << "張先生"
            << "";
        QTest::newRow("a court, a post")
            << "臺灣臺北地方法院 民事庭 書記官 林美華"
            << QStringList {"臺灣臺北地方法院", "民事庭", "書記官"} << "林美華"
            << "";
        QTest::newRow("a home for the elderly, 鈞啟")
            << "天主教老人之家 王院長 鈞啟" << QStringList {"天主教老人之家"} << "王院長"
            << "鈞啟";
        QTest::newRow("unspaced, parted at the organisation's end")
            << "臺北市大安區公所民政課王小明課長" << QStringList {"臺北市大安區公所民政課"}
            << "王小明課長"
            << "";
        QTest::newRow("a reading after the name")
            << "鼎新公司 張偉倫 Chang Wei-Lun" << QStringList {"鼎新公司"} << "張偉倫 Chang Wei-Lun"
            << "";
        QTest::newRow("an English company and department")
            << "Acme Trading Co., Ltd. Sales Dept. Dr. John A. Smith"
            << QStringList {"Acme Trading Co., Ltd. Sales Dept."} << "Dr. John A. Smith"
            << "";
        QTest::newRow("English alone")
            << "Ms. Mary-Jane Lee" << QStringList() << "Ms. Mary-Jane Lee"
            << "";
    }
    void names_are_read_as_people_type_them()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, affiliation);
        QFETCH(QString, person);
        QFETCH(QString, closing);
        const Name_Parts parts = name_parts(typed);
        QCOMPARE(parts.affiliation, affiliation);
        QCOMPARE(parts.person, person);
        QCOMPARE(parts.closing, closing);
    }

    void unknown_format_is_refused()
    {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, envelope_format("A4 信封"));
    }
};

QTEST_MAIN(Tst_Envelopes)
#include "tst_envelopes.moc"
