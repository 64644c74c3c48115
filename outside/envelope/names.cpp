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

// How the names of companies, their departments, schools, offices and foundations end.
const QStringList organisation_endings = {QStringLiteral("公司"), QStringLiteral("部"),
    QStringLiteral("組"), QStringLiteral("處"), QStringLiteral("室"), QStringLiteral("課"),
    QStringLiteral("科"), QStringLiteral("中心"), QStringLiteral("學校"), QStringLiteral("大學"),
    QStringLiteral("學院"), QStringLiteral("醫院"), QStringLiteral("診所"), QStringLiteral("協會"),
    QStringLiteral("學會"), QStringLiteral("公會"), QStringLiteral("基金會"),
    QStringLiteral("委員會"), QStringLiteral("法人"), QStringLiteral("銀行"),
    QStringLiteral("分行"), QStringLiteral("局"), QStringLiteral("署"), QStringLiteral("研究院"),
    QStringLiteral("研究所"), QStringLiteral("事務所"), QStringLiteral("工作室"),
    QStringLiteral("事業群"), QStringLiteral("門市"), QStringLiteral("工廠"),
    QStringLiteral("商行"), QStringLiteral("社"), QStringLiteral("團"), QStringLiteral("隊"),
    QStringLiteral("館"), QStringLiteral("府"), QStringLiteral("廳"), QStringLiteral("站")};

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
    QStringList pieces = typed_parts(rest);
    while (pieces.size() > 1 && ends_as_an_organisation(pieces.front()))
        parts.affiliation << pieces.takeFirst();
    parts.person = pieces.join(u' ');
    return parts;
}

QString recipient_closing(const Name_Parts& parts)
{
    return parts.closing.isEmpty() ? QStringLiteral("收") : parts.closing;
}
