#include "names.h"

#include <algorithm>
#include <iterator>

namespace {

// The closing words of an envelope: 收 and the civil service's 啟封詞 (for elders and superiors,
// equals, juniors, teachers, soldiers, mourners, women, and the confidential ones). A bare 啟 is
// left out: it ends many given names.
const QStringList closings = {QStringLiteral("收啟"), QStringLiteral("親啟"),
    QStringLiteral("親展"), QStringLiteral("台啟"), QStringLiteral("臺啟"), QStringLiteral("大啟"),
    QStringLiteral("鈞啟"), QStringLiteral("道啟"), QStringLiteral("安啟"), QStringLiteral("勛啟"),
    QStringLiteral("勳啟"), QStringLiteral("賜啟"), QStringLiteral("惠啟"), QStringLiteral("禮啟"),
    QStringLiteral("芳啟"), QStringLiteral("淑啟"), QStringLiteral("玉啟"), QStringLiteral("雅啟"),
    QStringLiteral("文啟"), QStringLiteral("公啟"), QStringLiteral("親收"), QStringLiteral("收")};

// How the names of companies, their departments, schools, offices, courts and associations
// end: only a hint, for text typed without spaces between its parts.
const QStringList organisation_endings = {QStringLiteral("公司"), QStringLiteral("部"),
    QStringLiteral("組"), QStringLiteral("處"), QStringLiteral("室"), QStringLiteral("課"),
    QStringLiteral("科"), QStringLiteral("股"), QStringLiteral("中心"), QStringLiteral("學校"),
    QStringLiteral("大學"), QStringLiteral("小學"), QStringLiteral("中學"), QStringLiteral("國小"),
    QStringLiteral("國中"), QStringLiteral("高中"), QStringLiteral("學院"), QStringLiteral("醫院"),
    QStringLiteral("診所"), QStringLiteral("協會"), QStringLiteral("學會"), QStringLiteral("公會"),
    QStringLiteral("農會"), QStringLiteral("漁會"), QStringLiteral("議會"), QStringLiteral("總會"),
    QStringLiteral("分會"), QStringLiteral("教會"), QStringLiteral("基金會"),
    QStringLiteral("委員會"), QStringLiteral("法人"), QStringLiteral("銀行"),
    QStringLiteral("分行"), QStringLiteral("局"), QStringLiteral("署"), QStringLiteral("院"),
    QStringLiteral("所"), QStringLiteral("事業群"), QStringLiteral("門市"), QStringLiteral("工廠"),
    QStringLiteral("商行"), QStringLiteral("社"), QStringLiteral("團"), QStringLiteral("隊"),
    QStringLiteral("館"), QStringLiteral("府"), QStringLiteral("廳"), QStringLiteral("站"),
    QStringLiteral("之家"), QStringLiteral("園"), QStringLiteral("宮"), QStringLiteral("寺"),
    QStringLiteral("廟")};

// Words that follow a person's name: with a space before them they still belong to it.
const QStringList titles = {QStringLiteral("先生"), QStringLiteral("小姐"), QStringLiteral("女士"),
    QStringLiteral("君"), QStringLiteral("老師"), QStringLiteral("教授"), QStringLiteral("副教授"),
    QStringLiteral("校長"), QStringLiteral("主任"), QStringLiteral("經理"), QStringLiteral("副理"),
    QStringLiteral("襄理"), QStringLiteral("協理"), QStringLiteral("總經理"),
    QStringLiteral("副總經理"), QStringLiteral("董事長"), QStringLiteral("董事"),
    QStringLiteral("執行長"), QStringLiteral("課長"), QStringLiteral("科長"),
    QStringLiteral("股長"), QStringLiteral("處長"), QStringLiteral("局長"), QStringLiteral("署長"),
    QStringLiteral("部長"), QStringLiteral("院長"), QStringLiteral("所長"), QStringLiteral("組長"),
    QStringLiteral("廠長"), QStringLiteral("店長"), QStringLiteral("館長"), QStringLiteral("社長"),
    QStringLiteral("會長"), QStringLiteral("理事長"), QStringLiteral("總幹事"),
    QStringLiteral("秘書"), QStringLiteral("秘書長"), QStringLiteral("專員"),
    QStringLiteral("律師"), QStringLiteral("醫師"), QStringLiteral("法官"), QStringLiteral("博士"),
    QStringLiteral("委員"), QStringLiteral("議員"), QStringLiteral("市長"), QStringLiteral("縣長"),
    QStringLiteral("鄉長"), QStringLiteral("鎮長"), QStringLiteral("里長"), QStringLiteral("村長"),
    QStringLiteral("牧師"), QStringLiteral("法師"), QStringLiteral("神父"), QStringLiteral("同學"),
    QStringLiteral("家長"), QStringLiteral("會計師"), QStringLiteral("建築師"),
    QStringLiteral("技師"), QStringLiteral("工程師"), QStringLiteral("Mr."), QStringLiteral("Ms."),
    QStringLiteral("Mrs."), QStringLiteral("Dr."), QStringLiteral("Prof.")};

// Latin words that end an organisation's name or a department's.
const QStringList latin_organisation_words
    = {QStringLiteral("Inc."), QStringLiteral("Inc"), QStringLiteral("Ltd."), QStringLiteral("Ltd"),
        QStringLiteral("Corp."), QStringLiteral("Corporation"), QStringLiteral("Company"),
        QStringLiteral("LLC"), QStringLiteral("GmbH"), QStringLiteral("Dept."),
        QStringLiteral("Department"), QStringLiteral("Division"), QStringLiteral("Office"),
        QStringLiteral("University"), QStringLiteral("School"), QStringLiteral("College"),
        QStringLiteral("Institute"), QStringLiteral("Bank"), QStringLiteral("Association"),
        QStringLiteral("Foundation"), QStringLiteral("Hospital"), QStringLiteral("Center"),
        QStringLiteral("Centre"), QStringLiteral("Council"), QStringLiteral("Embassy"),
        QStringLiteral("Ministry"), QStringLiteral("Bureau"), QStringLiteral("Court")};

bool is_space(QChar c)
{
    return c.isSpace(); // the ideographic space U+3000 included
}

QString trimmed(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && is_space(text[start]))
        ++start;
    while (end > start && is_space(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

bool ends_as_an_organisation(const QString& part)
{
    return std::any_of(
        organisation_endings.begin(), organisation_endings.end(), [&](const QString& ending) {
            return part.size() > ending.size() && part.endsWith(ending);
        });
}

// The parts between typed spaces; spaces inside a Latin name ("Chang Wei-Lun") part nothing.
QStringList typed_parts(const QString& text)
{
    QStringList parts(QString {});
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!is_space(text[i])) {
            parts.back() += text[i];
            continue;
        }
        qsizetype next = i;
        while (next < text.size() && is_space(text[next]))
            ++next;
        const bool latin_both_sides = !parts.back().isEmpty()
            && parts.back().back().unicode() < 0x2E80 && next < text.size()
            && text[next].unicode() < 0x2E80;
        if (latin_both_sides)
            parts.back() += u' ';
        else if (!parts.back().isEmpty())
            parts.append(QString());
        i = next - 1;
    }
    if (parts.back().isEmpty())
        parts.removeLast();
    return parts;
}

bool is_latin_part(const QString& part)
{
    return std::all_of(part.begin(), part.end(), [](QChar c) { return c.unicode() < 0x2E80; });
}

QString without_title(const QString& part)
{
    for (const QString& title : titles) {
        if (part.size() > title.size() && part.endsWith(title))
            return part.chopped(title.size());
    }
    return part;
}

// A few hanzi, perhaps with a title: "王小明", "陳老師", "歐陽志明課長".
bool looks_like_a_name(const QString& part)
{
    const QString base = without_title(part);
    const bool titled = base.size() < part.size();
    return !is_latin_part(base) && base.size() >= (titled ? 1 : 2) && base.size() <= 4;
}

bool names_an_organisation(const QString& latin)
{
    const QStringList words = latin.split(u' ', Qt::SkipEmptyParts);
    return std::any_of(words.begin(), words.end(), [](QString word) {
        while (word.endsWith(u','))
            word.chop(1);
        return latin_organisation_words.contains(word, Qt::CaseInsensitive);
    });
}

// "Acme Trading Co., Ltd. Sales Dept. Mr. John Smith": the organisation up to its last word
// that ends one, then the person.
QStringList latin_parts(const QString& latin)
{
    const QStringList words = latin.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = words.size() - 2; i >= 0; --i) {
        if (names_an_organisation(words[i]))
            return {words.mid(0, i + 1).join(u' '), words.mid(i + 1).join(u' ')};
    }
    return {latin};
}

// Text typed without spaces, "臺北市大安區公所民政課王小明課長": parted where what comes
// before ends as an organisation and what follows is a person's name.
QStringList unspaced_parts(const QString& text)
{
    for (qsizetype at = text.size() - 1; at > 0; --at) {
        const QString before = text.left(at);
        if (ends_as_an_organisation(before) && looks_like_a_name(text.mid(at)))
            return {before, text.mid(at)};
    }
    return {text};
}

QStringList parts_of(const QString& rest)
{
    QStringList pieces = typed_parts(rest);
    if (pieces.isEmpty())
        return pieces;
    if (is_latin_part(pieces.back())) {
        const QStringList latin = latin_parts(pieces.takeLast());
        pieces += latin;
    } else if (pieces.size() == 1) {
        pieces = unspaced_parts(pieces.front());
    }
    return pieces;
}

// Where the person begins among the parts: the last, with a title typed apart and the name's
// reading in the other writing ("張偉倫 Chang Wei-Lun") joining it.
qsizetype person_start(const QStringList& pieces)
{
    qsizetype start = pieces.size() - 1;
    if (start > 0 && titles.contains(pieces[start]))
        --start;
    if (start > 0 && is_latin_part(pieces[start]) != is_latin_part(pieces[start - 1])) {
        const QString& other = pieces[start - 1];
        if (is_latin_part(other) ? !names_an_organisation(other) && other.count(u' ') < 4
                                 : looks_like_a_name(other) && !ends_as_an_organisation(other))
            --start;
    }
    return std::max<qsizetype>(start, 0);
}

} // namespace

Name_Parts name_parts(const QString& typed)
{
    Name_Parts parts;
    QString rest = trimmed(typed);
    for (const QString& closing : closings) {
        if (rest.size() > closing.size() && rest.endsWith(closing)) {
            parts.closing = closing;
            rest = trimmed(rest.chopped(closing.size()));
            break;
        }
    }
    const QStringList pieces = parts_of(rest);
    const qsizetype start = person_start(pieces);
    parts.affiliation = pieces.mid(0, start);
    parts.person = pieces.mid(start).join(u' ');
    return parts;
}

QString recipient_closing(const Name_Parts& parts)
{
    return parts.closing.isEmpty() ? QStringLiteral("收") : parts.closing;
}
