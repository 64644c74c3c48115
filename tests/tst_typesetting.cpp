// Envelopes set as a Chinese typesetter sets them, read back from the real PDFs: punctuation and
// brackets in their vertical forms in columns and in their cells, no closing mark at the head
// and no opening mark at the tail of a column or line, short digit runs upright in one cell,
// postal codes in their boxes only when they are codes, long names inside their frame.

#include "envelope.h"
#include "pdf_tools.h"
#include "request_fields.h"
#include "sample_request.h"
#include "text_cells.h"

#include <QFontMetricsF>
#include <QImage>
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
        if (!QFontMetricsF(QFont(QStringLiteral("Microsoft JhengHei"))).inFontUcs4(form))
            QSKIP("no installed font has this mark's vertical form");
        Record r = sample_request(vertical_format);
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
        const QRectF block = columns
            ? QRectF(115 - 34, 24, 26, 230 - 60)
            : QRectF(220 * 0.38, 110 * 0.42 + 11, 220 - 12 - 220 * 0.38, 19);
        const auto lines = reading_order(page, block, columns, columns ? 8 : 6);
        QVERIFY(lines.size() >= 2);
        QString all;
        for (const auto& line : lines) {
            const QString text = joined(line);
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
        QVERIFY(eights[1]->box.center().y() - eights[0]->box.center().y()
            > eights[0]->box.height() * 0.8); // a cell apart
        QVERIFY(std::abs(eights[1]->box.center().x() - eights[0]->box.center().x()) < 1);
    }

    void postal_code_goes_into_the_boxes_only_when_it_is_one_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("boxed"); // empty: printed as typed, above the boxes
        QTest::newRow("3 digits") << "106"
                                  << "106";
        QTest::newRow("5 digits") << "10603"
                                  << "10603";
        QTest::newRow("6 digits") << "106003"
                                  << "106003";
        QTest::newRow("full-width") << QStringLiteral("１０６００３") << "106003";
        QTest::newRow("with a dash") << "106-03"
                                     << "";
        QTest::newRow("4 digits") << "1060"
                                  << "";
        QTest::newRow("words") << QStringLiteral("臺北") << "";
    }
    void postal_code_goes_into_the_boxes_only_when_it_is_one()
    {
        QFETCH(QString, typed);
        QFETCH(QString, boxed);
        const Pdf_Page page = envelope(vertical_format, QStringLiteral("中"), "王小明", typed);
        const QRectF boxes(115 - 8 - 45.5, 10, 46, 8); // mm
        QString in_boxes;
        QString above;
        for (const auto& line : reading_order(page, QRectF(0, 0, 115, 20), false, 4)) {
            for (const Pdf_Word& word : line) {
                const QPointF middle(mm(word.box.center().x()), mm(word.box.center().y()));
                if (boxes.contains(middle))
                    in_boxes += word.text;
                else if (middle.y() < boxes.top() && middle.x() > boxes.left() - 1)
                    above += word.text;
            }
        }
        QCOMPARE(in_boxes, boxed);
        QCOMPARE(above, boxed.isEmpty() ? typed : QString());
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
