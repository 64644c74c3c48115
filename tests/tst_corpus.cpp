// Properties of every envelope over a corpus of recipients as Taiwanese offices type them
// (tests/data/recipients.tsv), on all six formats at 50, 100, 150 and 200 %: the drawing's own
// report of what each text became is checked, not its pixels.

#include "drawing.h"
#include "envelope_value.h"
#include "layout.h"
#include "request_fields.h"
#include "sample_request.h"

#include <QFile>
#include <QLineF>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Recipient
{
    QString name;
    QString address;
    QString code; // "-" where nobody could tell the area
    QString source;
};

std::vector<Recipient> corpus()
{
    QFile file(QStringLiteral(":/data/recipients.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the corpus is missing");
    std::vector<Recipient> rows;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList fields = QString::fromUtf8(line).split(u'\t');
        if (fields.size() != 4)
            qFatal("a corpus row without its four fields: %s", line.constData());
        rows.push_back({fields[0], fields[1], fields[2], fields[3]});
    }
    return rows;
}

const std::array<double, 4> ratios = {0.5, 1.0, 1.5, 2.0};

struct Drawn
{
    std::size_t row;
    Envelope_Value value;
    std::vector<Warning> warnings;
    Drawing_Report report;
};

QString described(const Drawn& drawn, const std::vector<Recipient>& rows)
{
    return QStringLiteral("%1 | %2 (%3)")
        .arg(rows[drawn.row].name, rows[drawn.row].address, rows[drawn.row].source);
}

bool has_cut_warning(const Drawn& drawn)
{
    return std::any_of(drawn.warnings.begin(), drawn.warnings.end(),
        [](const Warning& w) { return w.text.find("太長") != std::string::npos; });
}

bool is_recipient(Drawn_Part part)
{
    return part == Drawn_Part::recipient_person || part == Drawn_Part::recipient_organisation
        || part == Drawn_Part::recipient_address;
}

// Only letters and digits, for comparing what was set (vertical forms, cut marks) with typed.
QString letters(const QString& text)
{
    QString kept;
    for (const QChar c : text)
        if (c.isLetterOrNumber())
            kept += c;
    return kept;
}

// Whether the lines of a name part only where a space was typed: each line, read in letters,
// is a run of whole typed words (the last one of a cut text may end early).
bool broken_only_at_spaces(const Drawn_Text& text)
{
    const QStringList words
        = text.text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    qsizetype word = 0;
    for (qsizetype i = 0; i < text.lines.size(); ++i) {
        QString line = letters(text.lines[i]);
        const bool last = i + 1 == text.lines.size();
        while (!line.isEmpty() && word < words.size()) {
            const QString next = letters(words[word]);
            if (line.startsWith(next)) {
                line = line.mid(next.size());
                ++word;
            } else {
                return last && text.cut && next.startsWith(line);
            }
        }
        if (!line.isEmpty())
            return false;
    }
    return true;
}

QRectF stamp_corner(const Envelope_Format& format)
{
    return format.vertical ? QRectF(0, 0, 40, 45) : QRectF(format.width_mm - 45, 0, 45, 40);
}

} // namespace

class Tst_Corpus : public QObject
{
    Q_OBJECT

    std::vector<Recipient> rows_;
    // By format and ratio, every recipient's envelope.
    std::map<std::pair<int, int>, std::vector<Drawn>> drawn_;

    const std::vector<Drawn>& drawings()
    {
        QFETCH(int, format);
        QFETCH(int, ratio);
        return drawn_.at({format, ratio});
    }

    static void by_format_and_ratio()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("ratio");
        for (int f = 0; f < int(envelope_formats.size()); ++f)
            for (int r = 0; r < int(ratios.size()); ++r)
                QTest::addRow(
                    "%s %d%%", envelope_formats[std::size_t(f)], int(ratios[std::size_t(r)] * 100))
                    << f << r;
    }

    static void verify_none(const QStringList& failures, const char* what)
    {
        QVERIFY2(failures.isEmpty(),
            qPrintable(QStringLiteral("%1 (%2 envelopes), first: %3")
                           .arg(QString::fromUtf8(what))
                           .arg(failures.size())
                           .arg(failures.mid(0, 3).join(QStringLiteral(" ; ")))));
    }

private slots:
    void initTestCase()
    {
        rows_ = corpus();
        QVERIFY(rows_.size() >= 300);
        for (int f = 0; f < int(envelope_formats.size()); ++f) {
            for (int r = 0; r < int(ratios.size()); ++r) {
                std::vector<Drawn>& all = drawn_[{f, r}];
                for (std::size_t i = 0; i < rows_.size(); ++i) {
                    const Recipient& to = rows_[i];
                    const Recipient& from = rows_[(i + 1) % rows_.size()];
                    Record request
                        = sample_request(envelope_formats[std::size_t(f)], to.name.toStdString());
                    request[request_key::recipient_address] = to.address.toStdString();
                    request[request_key::recipient_postal_code] = std::string();
                    request[request_key::sender_name] = from.name.toStdString();
                    request[request_key::sender_address] = from.address.toStdString();
                    request[request_key::sender_postal_code] = std::string();
                    request[request_key::size_ratio] = ratios[std::size_t(r)];
                    Drawn drawn {i, read_envelope(request), {}, {}};
                    drawn.warnings = measure_envelope(drawn.value, &drawn.report);
                    all.push_back(std::move(drawn));
                }
            }
        }
    }

    // The addressee's name whole, at least 4 mm and the largest text of the recipient's block;
    // the sender's text at least 2.5 mm unless cut, and a cut always said.
    void names_are_whole_legible_and_largest_data() { by_format_and_ratio(); }
    void names_are_whole_legible_and_largest()
    {
        QStringList failures;
        double smallest_name = 1e9;
        double smallest_address = 1e9;
        int cut = 0;
        for (const Drawn& drawn : drawings()) {
            const auto& texts = drawn.report.texts;
            const auto person = std::find_if(texts.begin(), texts.end(),
                [](const Drawn_Text& t) { return t.part == Drawn_Part::recipient_person; });
            if (person == texts.end()) {
                failures << QStringLiteral("no name: ") + described(drawn, rows_);
                continue;
            }
            smallest_name = std::min(smallest_name, person->size_mm);
            bool ok = !person->cut && person->size_mm >= 4 - 1e-6;
            for (const Drawn_Text& text : texts) {
                cut += is_recipient(text.part) && text.cut ? 1 : 0;
                if (text.part == Drawn_Part::recipient_address)
                    smallest_address = std::min(smallest_address, text.size_mm);
                if (is_recipient(text.part) && text.size_mm > person->size_mm + 1e-6)
                    ok = false;
                if (!is_recipient(text.part) && text.part != Drawn_Part::code_digit && !text.cut
                    && text.size_mm < 2.5 - 1e-6)
                    ok = false;
                if (text.cut && !has_cut_warning(drawn))
                    ok = false;
            }
            if (!ok)
                failures << QStringLiteral("%1 mm: ").arg(person->size_mm, 0, 'f', 2)
                        + described(drawn, rows_);
        }
        qInfo("smallest name %.2f mm, smallest address %.2f mm, %d recipients' texts cut",
            smallest_name, smallest_address, cut);
        verify_none(failures, "a name small, cut or outgrown");
    }

    // A name's lines (or columns) end only where a space was typed.
    void no_typed_part_is_torn_data() { by_format_and_ratio(); }
    void no_typed_part_is_torn()
    {
        QStringList failures;
        for (const Drawn& drawn : drawings()) {
            for (const Drawn_Text& text : drawn.report.texts) {
                const bool name = text.part == Drawn_Part::recipient_person
                    || text.part == Drawn_Part::recipient_organisation
                    || text.part == Drawn_Part::sender_person
                    || text.part == Drawn_Part::sender_organisation;
                if (name && !broken_only_at_spaces(text))
                    failures << text.lines.join(u'|') + QStringLiteral(" : ")
                            + described(drawn, rows_);
            }
        }
        verify_none(failures, "a name torn inside a typed part");
    }

    // Every text inside the page 5 mm from its edges, never across a frame's or a box's line,
    // each digit inside its box; the stamp's corner empty.
    void everything_stays_in_its_place_data() { by_format_and_ratio(); }
    void everything_stays_in_its_place()
    {
        QStringList failures;
        for (const Drawn& drawn : drawings()) {
            const Envelope_Format& format = drawn.value.format;
            const QRectF inside
                = QRectF(0, 0, format.width_mm, format.height_mm).adjusted(5, 5, -5, -5);
            const QRectF stamp = stamp_corner(format);
            const auto& frames = drawn.report.frames_mm;
            for (const Drawn_Text& text : drawn.report.texts) {
                const QRectF at = text.area_mm.adjusted(0.05, 0.05, -0.05, -0.05);
                if (at.isEmpty())
                    continue;
                QString wrong;
                if (!inside.contains(at))
                    wrong = QStringLiteral("near an edge");
                else if (at.intersects(stamp))
                    wrong = QStringLiteral("in the stamp's corner");
                for (const QRectF& frame : frames) {
                    const bool in = frame.contains(at);
                    if (text.part == Drawn_Part::code_digit ? false : at.intersects(frame) && !in)
                        wrong = QStringLiteral("across a line");
                }
                // A digit's ink in the middle of its box.
                if (text.part == Drawn_Part::code_digit
                    && std::none_of(frames.begin(), frames.end(), [&](const QRectF& box) {
                           return box.contains(at)
                               && QLineF(box.center(), at.center()).length() < 0.2;
                       }))
                    wrong = QStringLiteral("a digit out of its box's middle");
                if (!wrong.isEmpty())
                    failures << QStringLiteral("%1 (%2 at %3,%4 %5x%6): ")
                                    .arg(wrong, text.lines.join(u'|'))
                                    .arg(at.x(), 0, 'f', 1)
                                    .arg(at.y(), 0, 'f', 1)
                                    .arg(at.width(), 0, 'f', 1)
                                    .arg(at.height(), 0, 'f', 1)
                            + described(drawn, rows_);
            }
        }
        verify_none(failures, "text out of its place");
    }

    // The code read from the address is the area's, or none with a warning; never another.
    void codes_are_right_or_refused()
    {
        int right = 0;
        int refused = 0;
        QStringList wrong;
        for (const Drawn& drawn : drawn_.at({0, 1})) {
            const Recipient& row = rows_[drawn.row];
            const Code_Reading& code = drawn.value.recipient.code;
            if (code.digits && code.digits->left(3) == row.code)
                ++right;
            else if (!code.digits && code.warning)
                ++refused;
            else
                wrong << QStringLiteral("%1 for %2")
                             .arg(code.digits.value_or("nothing"), described(drawn, rows_));
        }
        const auto unknown = std::count_if(
            rows_.begin(), rows_.end(), [](const Recipient& r) { return r.code == u"-"; });
        qInfo("%d addresses: %d codes right, %d refused (%d of them with no area to tell), %d "
              "wrong",
            int(rows_.size()), right, refused, int(unknown), int(wrong.size()));
        verify_none(wrong, "a wrong code");
        QCOMPARE(refused, int(unknown));
    }
};

QTEST_MAIN(Tst_Corpus)
#include "tst_corpus.moc"
