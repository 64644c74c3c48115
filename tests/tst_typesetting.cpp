// Envelopes set as a Chinese typesetter sets them, read back from the real PDFs: punctuation and
// brackets in their vertical forms in columns and in their cells, no closing mark at the head
// and no opening mark at the tail of a column or line, short digit runs upright in one cell,
// postal codes in their boxes only when they are codes, long names inside their frame.

#include "envelope.h"
#include "fonts.h"
#include "pdf_tools.h"
#include "request_fields.h"
#include "sample_request.h"
#include "text_cells.h"
#include "typesetting.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {

const std::string vertical_format = "12K直式信封(11.5cm x 23cm)";
const QString example_address
    = QStringLiteral("新北市板橋區文化路一段188巷44號3樓之2，「遠東大樓」A棟、B棟。");
const QString opening = QStringLiteral("「『（《〈【〔﹁﹃︵︽︿︻︹");
const QString closing = QStringLiteral("，。、：；！？」』）》〉】〕︐︒︑︓︔︕︖﹂﹄︶︾﹀︼︺");

double mm(double points)
{
    return points * 25.4 / 72;
}

Pdf_Page envelope(const std::string& format, const QString& address,
    const std::string& name = "王小明", const QString& postal_code = "403041")
{
    Record r = sample_request(format, name);
    r[request_key::recipient_address] = address.toStdString();
    r[request_key::recipient_postal_code] = postal_code.toStdString();
    return read_pdf(QString::fromStdString(make_envelope(r).path));
}

// The words of a block of the page, in reading order: columns from the right, lines from the
// top. Words whose middles lie within `tolerance` points share a column (or line).
std::vector<std::vector<Pdf_Word>> reading_order(
    const Pdf_Page& page, const QRectF& block_mm, bool columns, double tolerance)
{
    std::vector<Pdf_Word> words;
    for (const Pdf_Word& word : page.words) {
        const QPointF middle = word.box.center();
        if (QRectF(block_mm.topLeft() * 72 / 25.4, block_mm.size() * 72 / 25.4).contains(middle))
            words.push_back(word);
    }
    auto across = [columns](const Pdf_Word& w) {
        return columns ? -w.box.center().x() : w.box.center().y();
    };
    auto along = [columns](const Pdf_Word& w) {
        return columns ? w.box.center().y() : w.box.center().x();
    };
    std::sort(words.begin(), words.end(),
        [&](const Pdf_Word& a, const Pdf_Word& b) { return across(a) < across(b); });
    std::vector<std::vector<Pdf_Word>> lines;
    for (const Pdf_Word& word : words) {
        if (lines.empty() || across(word) - across(lines.back().front()) > tolerance)
            lines.emplace_back();
        lines.back().push_back(word);
    }
    for (auto& line : lines)
        std::sort(line.begin(), line.end(),
            [&](const Pdf_Word& a, const Pdf_Word& b) { return along(a) < along(b); });
    return lines;
}

QString joined(const std::vector<Pdf_Word>& line)
{
    QString text;
    for (const Pdf_Word& word : line)
        text += word.text;
    return text;
}

// The first word holding `text` whose middle lies right of `from_x` points.
const Pdf_Word* word_with(const Pdf_Page& page, const QString& text, double from_x = 0)
{
    const auto found
        = std::find_if(page.words.begin(), page.words.end(), [&](const Pdf_Word& word) {
              return word.text.contains(text) && word.box.center().x() > from_x;
          });
    return found == page.words.end() ? nullptr : &*found;
}

// The box of the ink in a region of a rendered page, both in its pixels.
QRectF ink_in(const QImage& page, const QRect& region)
{
    QRect ink;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            if (page.valid(x, y) && qGray(page.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// A word's box in millimetres.
QRectF in_mm(const Pdf_Word& word)
{
    return {mm(word.box.left()), mm(word.box.top()), mm(word.box.width()), mm(word.box.height())};
}

// The words whose middles lie in a block, in millimetres.
std::vector<Pdf_Word> words_in(const Pdf_Page& page, const QRectF& block)
{
    std::vector<Pdf_Word> found;
    for (const Pdf_Word& word : page.words) {
        if (block.contains(in_mm(word).center()))
            found.push_back(word);
    }
    return found;
}

// The size a word's characters were set at: across its line, or across its column.
double set_size(const Pdf_Word& word, bool columns)
{
    return columns ? in_mm(word).width() : in_mm(word).height();
}

// The faces the PDF embeds.
QByteArrayList fonts_of(const QString& pdf)
{
    QFile file(pdf);
    file.open(QIODevice::ReadOnly);
    const QByteArray content = file.readAll();
    QByteArrayList fonts;
    for (qsizetype at = 0; (at = content.indexOf("/BaseFont /", at)) >= 0; at += 11) {
        const qsizetype end = content.indexOf('\n', at);
        const QByteArray name = content.mid(at + 11, end - at - 11).split(' ').front().trimmed();
        if (!fonts.contains(name))
            fonts << name;
    }
    return fonts;
}

// Whether every occurrence of `token` in the text of the lines lies within one line.
bool kept_whole(const std::vector<std::vector<Pdf_Word>>& lines, const QString& token)
{
    QString all;
    std::vector<qsizetype> ends;
    for (const auto& line : lines) {
        all += joined(line);
        ends.push_back(all.size());
    }
    for (qsizetype at = 0; (at = all.indexOf(token, at)) >= 0; ++at) {
        const auto end = at + token.size();
        if (std::any_of(ends.begin(), ends.end(), [&](qsizetype e) { return e > at && e < end; }))
            return false;
    }
    return all.contains(token);
}

// The box of everything that is not paper in a region of a page rendered at 10 pixels a
// millimetre, in millimetres.
QRectF ink_mm(const QImage& page, const QRectF& region_mm)
{
    QRect ink;
    const QRect region = QRectF(region_mm.topLeft() * 10, region_mm.size() * 10).toRect();
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            if (page.valid(x, y) && qGray(page.pixel(x, y)) < 200)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return QRectF(QPointF(ink.topLeft()) / 10, QSizeF(ink.size()) / 10);
}

// The format's page, in millimetres.
QSizeF page_of(const std::string& format)
{
    const Envelope_Format f = envelope_format(format);
    return {f.width_mm, f.height_mm};
}

const std::vector<std::string> horizontal_formats = {"12K橫式信封(23cm x 11.5cm)",
    "12K橫式信封(無框線)(23cm x 11.5cm)", "DL橫式信封(22cm x 11cm)", "西式信封(10cm x 22cm)"};

} // namespace

class Tst_Typesetting : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase()
    {
        qputenv("HOME", home_.path().toUtf8());
        QVERIFY2(pdf_tools_available(), "poppler-utils is needed");
    }

    void marks_take_their_vertical_forms_in_their_cells_data()
    {
        QTest::addColumn<QString>("mark");
        for (const QString& mark : QStringLiteral("，、。：；！？「」『』（）《》〈〉【】〔〕—…")
                                       .split(QString(), Qt::SkipEmptyParts))
            QTest::newRow(qPrintable(mark)) << mark;
    }
    void marks_take_their_vertical_forms_in_their_cells()
    {
        QFETCH(QString, mark);
        const char32_t form = vertical_form(char32_t(mark.toUcs4().at(0)));
        // A Kai face (標楷體's stand-in here) has the vertical forms itself.
        QFont kai;
        kai.setFamilies({QStringLiteral("DFKai-SB"), QStringLiteral("AR PL UKai TW")});
        if (!QRawFont::fromFont(kai, QFontDatabase::TraditionalChinese).supportsCharacter(form))
            QSKIP("the Kai face here lacks this mark's vertical form");
        Record r = sample_request(vertical_format);
        r[request_key::chinese_font] = std::string("標楷體");
        r[request_key::recipient_address] = (QStringLiteral("中") + mark + "文").toStdString();
        const QString pdf = QString::fromStdString(make_envelope(r).path);
        const Pdf_Page page = read_pdf(pdf);
        QVERIFY2(word_with(page, QString::fromUcs4(&form, 1)) != nullptr, qPrintable(page.text()));
        // Its ink stands in the middle of the cell between its neighbours, on the column's axis.
        const Pdf_Word* before = word_with(page, QStringLiteral("中"));
        const Pdf_Word* after = word_with(page, QStringLiteral("文"), 200);
        QVERIFY(before != nullptr && after != nullptr);
        const double dpi = 300;
        const double scale = dpi / 72;
        const QImage rendered = render_pdf(pdf, int(dpi));
        const double cell = (after->box.center().y() - before->box.center().y()) / 2 * scale;
        const QPointF middle = (before->box.center() + after->box.center()) / 2 * scale;
        const QRectF ink = ink_in(
            rendered, QRectF(middle - QPointF(cell / 2, cell / 2), QSizeF(cell, cell)).toRect());
        QVERIFY(!ink.isEmpty());
        QVERIFY2(std::abs(ink.center().x() - middle.x()) < cell * 0.15,
            qPrintable(QStringLiteral("%1 from the axis").arg(ink.center().x() - middle.x())));
        QVERIFY2(std::abs(ink.center().y() - middle.y()) < cell * 0.15,
            qPrintable(QStringLiteral("%1 from the middle").arg(ink.center().y() - middle.y())));
    }

    void example_address_breaks_where_a_typesetter_breaks_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("columns");
        QTest::newRow("12K vertical") << QString::fromStdString(vertical_format) << true;
        QTest::newRow("12K vertical, no frame") << "12K直式信封(無框線)(11.5cm x 23cm)" << true;
        QTest::newRow("DL horizontal") << "DL橫式信封(22cm x 11cm)" << false;
    }
    void example_address_breaks_where_a_typesetter_breaks()
    {
        QFETCH(QString, format);
        QFETCH(bool, columns);
        const Pdf_Page page = envelope(format.toStdString(), example_address.repeated(2));
        const QRectF block = columns ? QRectF(115 - 34, 24, 26, 230 - 60)
                                     : QRectF(220 * 0.38, 52 + 8 + 3, 220 - 12 - 220 * 0.38, 41);
        const auto lines = reading_order(page, block, columns, columns ? 8 : 6);
        QVERIFY(lines.size() >= 2);
        QString all;
        for (const auto& line : lines) {
            const QString text = joined(line);
            if (text.contains(u'王'))
                continue; // the name's line
            all += text;
            QVERIFY2(!closing.contains(text.front()), qPrintable(text));
            QVERIFY2(!opening.contains(text.back()), qPrintable(text));
        }
        QCOMPARE(all.size(), example_address.size() * 2); // every character, once
    }

    void one_or_two_digits_stand_upright_in_one_cell()
    {
        const Pdf_Page page = envelope(vertical_format, QStringLiteral("3樓之44號188巷"));
        const double column = 72 * (115 - 34) / 25.4; // the recipient's address, right of it
        const Pdf_Word* three = word_with(page, QStringLiteral("3"), column);
        QVERIFY(three != nullptr);
        QVERIFY(three->box.width() < three->box.height());
        const Pdf_Word* forty_four = word_with(page, QStringLiteral("44"), column);
        QVERIFY2(forty_four != nullptr, qPrintable(page.text())); // the two digits side by side
        QVERIFY(forty_four->box.width() <= forty_four->box.height() * 1.05);
        const Pdf_Word* building = word_with(page, QStringLiteral("樓"), column);
        QVERIFY(std::abs(three->box.center().x() - building->box.center().x()) < 2);
        // Three digits stand one a cell, down the column.
        std::vector<const Pdf_Word*> eights;
        for (const Pdf_Word& word : page.words) {
            if (word.text == u"8" && word.box.center().x() > column)
                eights.push_back(&word);
        }
        QCOMPARE(eights.size(), std::size_t(2));
        std::sort(eights.begin(), eights.end(),
            [](auto* a, auto* b) { return a->box.top() < b->box.top(); });
        QVERIFY(eights[1]->box.top() >= eights[0]->box.center().y()); // one below the other
        QVERIFY(std::abs(eights[1]->box.center().x() - eights[0]->box.center().x()) < 1);
    }

    void postal_code_goes_into_the_boxes_however_typed_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("boxed"); // empty: printed as typed, above the boxes, and warned
        QTest::newRow("3 digits") << "106"
                                  << "106";
        QTest::newRow("5 digits") << "10603"
                                  << "10603";
        QTest::newRow("6 digits") << "106003"
                                  << "106003";
        QTest::newRow("full-width") << QStringLiteral("１０６００３") << "106003";
        QTest::newRow("with a hyphen") << "114-066"
                                       << "114066";
        QTest::newRow("with a space") << "114 066"
                                      << "114066";
        QTest::newRow("full-width with a full-width hyphen")
            << QStringLiteral("１１４－０６６") << "114066";
        QTest::newRow("pasted with spaces around") << " 114066 "
                                                   << "114066";
        QTest::newRow("3+2 with a hyphen") << "104-91"
                                           << "10491";
        QTest::newRow("4 digits") << "1060"
                                  << "";
        QTest::newRow("words") << QStringLiteral("臺北") << "";
    }
    void postal_code_goes_into_the_boxes_however_typed()
    {
        QFETCH(QString, typed);
        QFETCH(QString, boxed);
        Record r = sample_request(vertical_format);
        r[request_key::recipient_postal_code] = typed.toStdString();
        r[request_key::sender_postal_code] = typed.toStdString();
        const Envelope made = make_envelope(r);
        const Pdf_Page page = read_pdf(QString::fromStdString(made.path));
        const QRectF boxes(115 - 8 - 46.6, 10, 47, 8); // mm
        const QRectF sender_boxes(8, 230 - 14, 33, 5.5);
        QString in_boxes;
        QString in_sender_boxes;
        QString below; // what is no code, under the boxes and well inside the page
        for (const Pdf_Word& word : page.words) {
            const QPointF middle(mm(word.box.center().x()), mm(word.box.center().y()));
            if (boxes.contains(middle))
                in_boxes += word.text;
            else if (sender_boxes.contains(middle))
                in_sender_boxes += word.text;
            else if (middle.y() > boxes.bottom() && middle.y() < 24
                && middle.x() > boxes.left() - 1) {
                below += word.text;
                QVERIFY(mm(word.box.top()) >= 5 && mm(word.box.right()) <= 115 - 5);
            }
        }
        QCOMPARE(in_boxes, boxed);
        QCOMPARE(in_sender_boxes, boxed);
        QCOMPARE(below, boxed.isEmpty() ? typed.trimmed() : QString());
        const auto not_a_code
            = std::count_if(made.warnings.begin(), made.warnings.end(), [](const Warning& w) {
                  return w.text.find("不是 3、5 或 6 位數字") != std::string::npos;
              });
        QCOMPARE(int(not_a_code), boxed.isEmpty() ? 2 : 0); // the recipient's, the sender's
    }

    void closing_word_is_never_doubled_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("closing");
        QTest::newRow("none typed") << "王大明先生"
                                    << "王大明先生"
                                    << "收";
        QTest::newRow("收 typed") << "王大明先生收"
                                  << "王大明先生"
                                  << "收";
        QTest::newRow("收 after a space") << "陳小姐 收"
                                          << "陳小姐"
                                          << "收";
        QTest::newRow("親啟") << "王大明先生 親啟"
                              << "王大明先生"
                              << "親啟";
        QTest::newRow("台啟 after a full-width space") << "陳美玲小姐　台啟"
                                                       << "陳美玲小姐"
                                                       << "台啟";
        QTest::newRow("道啟") << "黃董事長 道啟"
                              << "黃董事長"
                              << "道啟";
        QTest::newRow("鈞啟") << "林處長鈞啟"
                              << "林處長"
                              << "鈞啟";
        QTest::newRow("大啟") << "張大同先生大啟"
                              << "張大同先生"
                              << "大啟";
        QTest::newRow("a given name ending in 啟") << "陳啟"
                                                   << "陳啟"
                                                   << "收";
    }
    void closing_word_is_never_doubled()
    {
        QFETCH(QString, typed);
        QFETCH(QString, person);
        QFETCH(QString, closing);
        for (const std::string& format : {vertical_format, horizontal_formats[2]}) {
            const QString text = envelope(format, QStringLiteral("中"), typed.toStdString()).text();
            QVERIFY2(text.contains(person) && text.contains(closing), qPrintable(text));
            QCOMPARE(text.count(u'收'), (person + closing).count(u'收'));
            QCOMPARE(text.count(u'啟'), (person + closing).count(u'啟'));
        }
    }

    void breaks_fall_between_words_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("whole");
        const QString numbers = QStringLiteral("亥亥亥1234號").repeated(10);
        QTest::newRow("numbers in columns")
            << QString::fromStdString(vertical_format) << numbers << QStringList {"1234號"};
        QTest::newRow("numbers in lines")
            << "DL橫式信封(22cm x 11cm)" << numbers << QStringList {"1234號"};
        QTest::newRow("typed spaces in lines")
            << "DL橫式信封(22cm x 11cm)"
            << QStringLiteral("臺北市內湖區瑞光路1234號3樓之2 綜合三館 行政大樓 資訊工程學系")
            << QStringList {"綜合三館", "行政大樓", "資訊工程學系", "3樓之2"};
        QTest::newRow("之 with its number in columns")
            << QString::fromStdString(vertical_format)
            << QStringLiteral("亥亥亥亥亥亥亥3樓之12").repeated(6) << QStringList {"之12"};
    }
    void breaks_fall_between_words()
    {
        QFETCH(QString, format);
        QFETCH(QString, address);
        QFETCH(QStringList, whole);
        const bool columns = format.toStdString() == vertical_format;
        const QSizeF page_mm = page_of(format.toStdString());
        const QRectF block = columns ? QRectF(page_mm.width() - 34, 24, 26, page_mm.height() - 60)
                                     : QRectF(page_mm.width() * 0.38, 50, 130, 40);
        const auto lines = reading_order(
            envelope(format.toStdString(), address), block, columns, columns ? 4 : 3);
        QVERIFY(lines.size() >= 2);
        for (const QString& token : whole)
            QVERIFY2(kept_whole(lines, token), qPrintable(token));
    }

    void names_break_at_their_typed_spaces_and_never_leave_one_alone_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("sender");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("whole");
        const QString company = QStringLiteral("鼎新資訊股份有限公司 總務部 陳雅婷");
        const QString recipient = QStringLiteral("宏達光電股份有限公司 人力資源部 王大明先生");
        for (const std::string& format : {vertical_format, horizontal_formats[2]}) {
            QTest::addRow("sender, %s", format.c_str()) << QString::fromStdString(
                format) << true << company << QStringList {"總務部", "陳雅婷"};
            QTest::addRow("recipient, %s", format.c_str()) << QString::fromStdString(
                format) << false << recipient << QStringList {"人力資源部", "王大明先生"};
        }
    }
    void names_break_at_their_typed_spaces_and_never_leave_one_alone()
    {
        QFETCH(QString, format);
        QFETCH(bool, sender);
        QFETCH(QString, name);
        QFETCH(QStringList, whole);
        Record r = sample_request(format.toStdString());
        r[sender ? request_key::sender_name : request_key::recipient_name] = name.toStdString();
        const Pdf_Page page = read_pdf(QString::fromStdString(make_envelope(r).path));
        const bool columns = format.toStdString() == vertical_format;
        const QSizeF size = page_of(format.toStdString());
        const QRectF block = columns
            ? (sender ? QRectF(0, size.height() * 0.52, 21, size.height() * 0.37)
                      : QRectF(size.width() / 2 - 15, 30, 26, size.height() - 62))
            : (sender ? QRectF(0, 14, size.width() * 0.38, 30)
                      : QRectF(size.width() * 0.38, 60, size.width() * 0.62, 50));
        const auto lines = reading_order(page, block, columns, columns ? 2 : 1.5);
        for (const QString& part : whole)
            QVERIFY2(kept_whole(lines, part), qPrintable(part));
        for (const auto& line : lines)
            QVERIFY2(joined(line).size() > 1, qPrintable(joined(line)));
    }

    void organisation_is_smaller_and_the_person_largest()
    {
        for (const std::string& format : {vertical_format, horizontal_formats[2]}) {
            const bool columns = format == vertical_format;
            const Pdf_Page page = envelope(
                format, QStringLiteral("中"), "宏達光電股份有限公司 人力資源部 王大明先生");
            const Pdf_Word* person = word_with(page, QStringLiteral("王"));
            const Pdf_Word* organisation = word_with(page, QStringLiteral("宏"));
            QVERIFY(person != nullptr && organisation != nullptr);
            QVERIFY(set_size(*organisation, columns) < set_size(*person, columns) * 0.7);
            for (const Pdf_Word& word : page.words)
                QVERIFY2(set_size(word, columns) <= set_size(*person, columns) + 0.1,
                    qPrintable(word.text));
        }
    }

    void recipient_is_never_set_below_four_millimetres_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("characters");
        for (const std::string& format :
            {vertical_format, horizontal_formats[2], horizontal_formats[3]}) {
            for (const int characters : {200, 600, 2000})
                QTest::addRow("%s, %d", format.c_str(), characters)
                    << QString::fromStdString(format) << characters;
        }
    }
    void recipient_is_never_set_below_four_millimetres()
    {
        QFETCH(QString, format);
        QFETCH(int, characters);
        const bool columns = format.toStdString() == vertical_format;
        Record r = sample_request(format.toStdString());
        r[request_key::recipient_address]
            = QStringLiteral("臺中市西區民權路").repeated(characters / 8).toStdString();
        const Envelope made = make_envelope(r);
        const Pdf_Page page = read_pdf(QString::fromStdString(made.path));
        const QSizeF size = page_of(format.toStdString());
        const QRectF recipient = columns ? QRectF(size.width() - 34, 24, 26, size.height() - 60)
                                         : QRectF(size.width() * 0.38, 45, size.width(), 70);
        double smallest = 100;
        for (const Pdf_Word& word : words_in(page, recipient))
            smallest = std::min(smallest, set_size(word, columns));
        qInfo("set at %.1f mm at the least", smallest);
        QVERIFY(smallest >= 3.9);
        QCOMPARE(made.warnings.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(made.warnings[0].text).contains("收件人地址"));
        QVERIFY(page.text().contains(QStringLiteral("︙︙"))
            || page.text().contains(QStringLiteral("……")));
    }

    void code_line_clears_the_sender_by_fifteen_millimetres_data()
    {
        QTest::addColumn<QString>("format");
        for (const std::string& format : horizontal_formats)
            QTest::newRow(format.c_str()) << QString::fromStdString(format);
    }
    void code_line_clears_the_sender_by_fifteen_millimetres()
    {
        QFETCH(QString, format);
        Record r = sample_request(format.toStdString());
        r[request_key::sender_address]
            = QStringLiteral("臺北市大安區復興南路一段390號").repeated(3).toStdString();
        r[request_key::sender_name] = std::string("鼎新資訊股份有限公司 總務部 陳雅婷");
        const QImage page = render_pdf(QString::fromStdString(make_envelope(r).path), 254);
        const QSizeF size = page_of(format.toStdString());
        const QRectF sender = ink_mm(page, QRectF(0, 14, size.width() * 0.38 - 1, 40));
        const QRectF code = ink_mm(page, QRectF(size.width() * 0.38, 30, 60, size.height() - 30));
        const double gap = code.top() - sender.bottom();
        qInfo("%.1f mm between the sender and the code line", gap);
        QVERIFY(gap >= 15);
    }

    // Where columns end, read from what the setting says it set: 5 mm characters, each CJK
    // cell 1.05 em, a typed space half of one, in a column `cells` long; no shrinking.
    void columns_end_where_a_typesetter_ends_them_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("cells");
        QTest::addColumn<bool>("name");
        QTest::addColumn<QStringList>("columns"); // their letters and digits
        QTest::addColumn<bool>("cut");
        QTest::newRow("before an opening bracket")
            << "臺北市大安區新生南路二段（請勿折！急件？）" << 14.0 << false
            << QStringList {"臺北市大安區新生南路二段", "請勿折急件"} << false;
        QTest::newRow("after a pause")
            << "國立臺灣大學，行政大樓二樓總務處" << 10.0 << false
            << QStringList {"國立臺灣大學", "行政大樓二樓總務處"} << false;
        QTest::newRow("a pause before a typed space")
            << "甲乙丙，丁戊 己庚辛壬癸子丑" << 10.0 << false
            << QStringList {"甲乙丙", "丁戊己庚辛壬癸子丑"} << false;
        QTest::newRow("at a typed space")
            << "臺北市大安區羅斯福路 行政大樓" << 12.0 << false
            << QStringList {"臺北市大安區羅斯福路", "行政大樓"} << false;
        QTest::newRow("3樓之2 whole") << "亥亥亥亥亥亥亥亥3樓之2亥亥" << 10.0 << false
                                      << QStringList {"亥亥亥亥亥亥亥亥", "3樓之2亥亥"} << false;
        QTest::newRow("a time whole") << "營業時間09:00～18:00" << 8.0 << false
                                      << QStringList {"營業時間", "09001800"} << false;
        QTest::newRow("a name at its spaces, none left alone")
            << "王小明 課長 收" << 5.0 << true << QStringList {"王小明", "課長收"} << false;
        QTest::newRow("a name part too long is cut, not torn")
            << "新北市立板橋國民小學 陳老師" << 4.0 << true << QStringList {"新北"} << true;
    }
    void columns_end_where_a_typesetter_ends_them()
    {
        QFETCH(QString, text);
        QFETCH(double, cells);
        QFETCH(bool, name);
        QFETCH(QStringList, columns);
        QFETCH(bool, cut);
        QImage image(800, 1600, QImage::Format_ARGB32);
        QPainter painter(&image);
        const double size = 5;
        Text_Style style {
            font_named("微軟正黑體"), font_named("Calibri"), size, Qt::black, size, name};
        const Text_Fit fit = set_text(painter, 10, text,
            QRectF(0, 0, 35, cells * size * 1.05 + 0.1), style, Writing::vertical);
        QStringList set;
        for (const QString& line : fit.lines) {
            QString letters;
            for (const QChar c : line)
                if (c.isLetterOrNumber())
                    letters += c;
            set << letters;
        }
        QCOMPARE(set, columns);
        QCOMPARE(fit.cut, cut);
    }

    // In columns a Latin phrase turns as one, its stops, commas and spaces with it; one or two
    // characters standing alone after hanzi stay upright in one cell.
    void latin_phrases_turn_as_one_in_columns_data()
    {
        QTest::addColumn<QString>("run");
        QTest::addColumn<bool>("turned");
        QTest::newRow("Dr. John A. Smith") << "Dr. John A. Smith" << true;
        QTest::newRow("an English address") << "No. 7, Sec. 5, Xinyi Rd." << true;
        QTest::newRow("a floor and a number") << "8F., No. 100" << true;
        QTest::newRow("a hyphened name") << "Ms. Mary-Jane" << true;
        QTest::newRow("3F") << "3F" << false;
        QTest::newRow("B1") << "B1" << false;
    }
    void latin_phrases_turn_as_one_in_columns()
    {
        QFETCH(QString, run);
        QFETCH(bool, turned);
        QImage image(10, 10, QImage::Format_ARGB32);
        const std::vector<Cell> cells = cells_of(QStringLiteral("中") + run + "號",
            {font_named("微軟正黑體"), font_named("Calibri"), 50}, Writing::vertical, &image);
        QCOMPARE(cells.front().text, QStringLiteral("中"));
        QCOMPARE(cells.back().text, QStringLiteral("號"));
        const std::vector<Cell> latin(cells.begin() + 1, cells.end() - 1);
        if (!turned) {
            QCOMPARE(latin.size(), std::size_t(1));
            QCOMPARE(latin.front().kind, Cell_Kind::side_by_side);
            return;
        }
        QCOMPARE(qsizetype(latin.size()), run.size()); // a cell a character, spaces too
        for (const Cell& cell : latin)
            QVERIFY2(cell.kind == Cell_Kind::turned, qPrintable(cell.text));
    }

    void letters_and_digits_in_columns_data()
    {
        QTest::addColumn<QString>("run");
        QTest::addColumn<bool>("turned"); // else side by side, upright, in one cell
        QTest::newRow("B1") << "B1" << false;
        QTest::newRow("2F") << "2F" << false;
        QTest::newRow("ATT 4 FUN") << "ATT 4 FUN" << true;
        QTest::newRow("Taipei 101") << "Taipei 101" << true;
    }
    void letters_and_digits_in_columns()
    {
        QFETCH(QString, run);
        QFETCH(bool, turned);
        const Pdf_Page page = envelope(vertical_format, QStringLiteral("中") + run + "號");
        const QString last = run.split(u' ').last();
        const Pdf_Word* word = word_with(page, last, 72 * (115 - 34) / 25.4);
        QVERIFY2(word != nullptr, qPrintable(page.text()));
        if (turned)
            QVERIFY(word->box.height() > word->box.width() * 1.2);
        else
            QVERIFY(word->box.width() <= word->box.height() * 1.05);
        QVERIFY(page.text().contains(QString(run).remove(u' ')));
    }

    void lines_and_columns_are_spaced_as_a_typesetter_spaces_them()
    {
        // Columns half a character apart at least.
        const Pdf_Page columns
            = envelope(vertical_format, QStringLiteral("臺北市內湖區瑞光路").repeated(5));
        const auto set = reading_order(columns, QRectF(115 - 34, 24, 26, 170), true, 2);
        QVERIFY(set.size() >= 2);
        const double pitch = mm(set[0][0].box.center().x() - set[1][0].box.center().x());
        const double size = set_size(set[0][0], true);
        qInfo("columns %.1f mm apart, the characters %.1f mm", pitch, size);
        QVERIFY(pitch >= size * 1.5 - 0.2);
        // Every line but the last fills the measure.
        const QString address = QStringLiteral("臺北市內湖區瑞光路五段一二三號");
        const Pdf_Page lines
            = envelope(horizontal_formats[2], address.repeated(3) + "12345" + address);
        auto rows = reading_order(lines, QRectF(220 * 0.38, 62, 130, 30), false, 1.5);
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                       [](const auto& row) { return joined(row).contains(u'王'); }),
            rows.end()); // the name's line
        QVERIFY(rows.size() >= 2);
        const double measure_end = 220 - 12;
        for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
            const double end = mm(rows[i].back().box.right());
            QVERIFY2(std::abs(end - measure_end) < 1.2, qPrintable(QString::number(end)));
        }
    }

    void numbers_are_set_as_evenly_as_the_hanzi()
    {
        const QString pdf = QString::fromStdString([] {
            Record r = sample_request(vertical_format);
            r[request_key::recipient_address] = std::string("中文中文1234號");
            return make_envelope(r).path;
        }());
        const QImage page = render_pdf(pdf, 254);
        // The ink's pieces down the address's first column, and the gaps between them.
        const QRect column = QRectF(QPointF(115 - 8 - 7, 24) * 10, QSizeF(7, 100) * 10).toRect();
        std::vector<std::pair<int, int>> pieces;
        for (int y = column.top(); y <= column.bottom(); ++y) {
            bool inked = false;
            for (int x = column.left(); x <= column.right() && !inked; ++x)
                inked = qGray(page.pixel(x, y)) < 160;
            if (inked && (pieces.empty() || pieces.back().second < y - 1))
                pieces.emplace_back(y, y);
            else if (inked)
                pieces.back().second = y;
        }
        QVERIFY(pieces.size() >= 9); // 中文中文 1 2 3 4 號
        auto gap = [&](std::size_t i) { return pieces[i + 1].first - pieces[i].second; };
        const int hanzi = std::max({gap(0), gap(1), gap(2)});
        const int digits = std::max({gap(4), gap(5), gap(6)});
        qInfo("gaps between digits %.1f mm, between hanzi %.1f mm", digits / 10.0, hanzi / 10.0);
        QVERIFY(digits <= hanzi + 3);
    }

    void marks_come_from_the_chosen_font_alone()
    {
        Record r = sample_request(vertical_format);
        r[request_key::recipient_address] = std::string("中！文？中〔文〕3～5樓");
        const QString pdf = QString::fromStdString(make_envelope(r).path);
        const QFont chosen(QStringLiteral("WenQuanYi Micro Hei"));
        if (QRawFont::fromFont(chosen, QFontDatabase::TraditionalChinese)
                .supportsCharacter(U'\uFE15'))
            QSKIP("the chosen font has the vertical forms itself");
        const QByteArrayList fonts = fonts_of(pdf);
        QVERIFY2(fonts.size() <= 2, fonts.join(' ').constData()); // the Chinese and the Latin face
        // The range mark turns with the column: its ink is taller than wide.
        const Pdf_Page page = read_pdf(pdf);
        const Pdf_Word* wave = word_with(page, QStringLiteral("～"));
        QVERIFY(wave != nullptr);
        const QRectF cell(in_mm(*wave).center() - QPointF(3, 3), QSizeF(6, 6));
        const QRectF ink = ink_mm(render_pdf(pdf, 254), cell);
        QVERIFY2(ink.height() > ink.width(),
            qPrintable(QStringLiteral("%1 x %2").arg(ink.width()).arg(ink.height())));
    }

    void sender_reads_in_order_with_even_gaps()
    {
        // In columns the name is read after the address, and starts lower.
        const Pdf_Page vertical = envelope(vertical_format, QStringLiteral("中"));
        const Pdf_Word* address = word_with(vertical, QStringLiteral("臺"));
        const Pdf_Word* name = word_with(vertical, QStringLiteral("陳"));
        QVERIFY(address != nullptr && name != nullptr);
        QVERIFY(name->box.center().x() < address->box.center().x());
        QVERIFY(mm(name->box.top()) >= mm(address->box.top()) + 5);
        // In lines: the code's boxes, the address, the name, an even gap apart.
        Record r = sample_request(horizontal_formats[2]);
        r[request_key::sender_name] = std::string("陳大文");
        const QImage page = render_pdf(QString::fromStdString(make_envelope(r).path), 254);
        std::vector<QRectF> blocks;
        for (double top = 0; top < 40;) {
            const QRectF ink = ink_mm(page, QRectF(0, top, 90, 40 - top));
            if (ink.isEmpty())
                break;
            // The next block: the ink down to the first blank millimetre.
            double bottom = ink.top();
            while (bottom < 40 && !ink_mm(page, QRectF(0, bottom, 90, 0.5)).isEmpty())
                bottom += 0.5;
            blocks.push_back(QRectF(0, ink.top(), 90, bottom - ink.top()));
            top = bottom + 0.5;
        }
        QCOMPARE(blocks.size(), std::size_t(3));
        const double first = blocks[1].top() - blocks[0].bottom();
        const double second = blocks[2].top() - blocks[1].bottom();
        qInfo("gaps %.1f and %.1f mm", first, second);
        QVERIFY(std::abs(first - second) < 1.2);
    }

    void name_stands_in_the_middle_of_its_frame()
    {
        const QString pdf = QString::fromStdString([] {
            Record r = sample_request(vertical_format, "王大明（經理）先生");
            return make_envelope(r).path;
        }());
        const QImage page = render_pdf(pdf, 254);
        const QRectF frame(115 / 2.0 - 15, 30, 26, 230 - 62);
        const QRectF ink = ink_mm(page, frame.adjusted(1, 1, -1, -1));
        const double left = ink.left() - frame.left();
        const double right = frame.right() - ink.right();
        qInfo("%.1f mm free on the left, %.1f on the right", left, right);
        QVERIFY(std::abs(left - right) < 1);
    }

    void long_name_stays_inside_its_frame()
    {
        const Pdf_Page page = envelope(
            vertical_format, QStringLiteral("中"), std::string(3000, 'N') + "王大明（經理）先生");
        const QRectF frame
            = QRectF(115 / 2.0 - 15, 30, 26, 230 - 62).adjusted(-0.5, -0.5, 0.5, 0.5);
        int inside = 0;
        for (const Pdf_Word& word : page.words) {
            const QRectF box(mm(word.box.left()), mm(word.box.top()), mm(word.box.width()),
                mm(word.box.height()));
            if (word.text.contains(u'N') || word.text.contains(QStringLiteral("王大明")))
                QVERIFY2(frame.contains(box), qPrintable(word.text));
            inside += frame.contains(box) ? 1 : 0;
        }
        QVERIFY(inside > 0);
    }
};

QTEST_MAIN(Tst_Typesetting)
#include "tst_typesetting.moc"
