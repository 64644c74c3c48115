#include "vcard.h"

#include "fonts.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cctype>

namespace {

struct Property
{
    QString name; // upper case, without its group ("item1.ADR" is ADR)
    QStringList parameters; // upper case: "TYPE=WORK", "CHARSET=BIG5", "QUOTED-PRINTABLE"
    QByteArray value; // as written, decoded from quoted-printable
};

QByteArray quoted_printable(const QByteArray& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && std::isxdigit(uchar(text[i + 1]))
            && std::isxdigit(uchar(text[i + 2]))) {
            bytes += QByteArray::fromHex(text.mid(i + 1, 2));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// Lines unfolded: a line break followed by a space or tab continues the line; in quoted-printable
// values (2.1) a "=" at the end does.
QList<QByteArray> unfolded(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!lines.isEmpty() && (line.startsWith(' ') || line.startsWith('\t')))
            lines.back() += line.mid(1);
        else if (!lines.isEmpty() && lines.back().endsWith('=')
            && lines.back().toUpper().contains("QUOTED-PRINTABLE"))
            lines.back() = lines.back().chopped(1) + line;
        else
            lines << line;
    }
    return lines;
}

Property property_of(const QByteArray& line)
{
    Property read;
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return read;
    const QList<QByteArray> head = line.left(colon).split(';');
    read.name = QString::fromLatin1(head.front()).toUpper();
    read.name = read.name.mid(read.name.lastIndexOf(u'.') + 1);
    for (qsizetype i = 1; i < head.size(); ++i)
        read.parameters << QString::fromLatin1(head[i]).toUpper();
    read.value = line.mid(colon + 1);
    const bool quoted = std::any_of(read.parameters.begin(), read.parameters.end(),
        [](const QString& p) { return p.contains(QStringLiteral("QUOTED-PRINTABLE")); });
    if (quoted)
        read.value = quoted_printable(read.value);
    return read;
}

QString text_of(const Property& property)
{
    const bool big5 = std::any_of(property.parameters.begin(), property.parameters.end(),
        [](const QString& p) { return p == u"CHARSET=BIG5" || p == u"CHARSET=CP950"; });
    if (big5) {
        qsizetype bad = 0;
        int unknown = 0;
        if (const auto text = decode_big5(property.value, &bad, &unknown))
            return *text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    return utf8.decode(property.value);
}

// The parts between unescaped semicolons, their escapes read.
QStringList parts_of(const QString& value)
{
    QStringList parts(QString {});
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            parts.back() += next == u'n' || next == u'N' ? QChar(u' ') : next;
        } else if (value[i] == u';') {
            parts << QString();
        } else {
            parts.back() += value[i];
        }
    }
    for (QString& part : parts)
        part = part.trimmed();
    return parts;
}

// ADR: post office box; extended; street; locality; region; postal code; country.
std::pair<QString, QString> address_of(const QStringList& parts)
{
    const auto part = [&](int i) { return i < parts.size() ? parts[i] : QString(); };
    const QString code = part(5);
    QString address;
    if (has_han(part(2) + part(3) + part(4)))
        address = part(4) + part(3) + part(2) + part(1);
    else
        address = QStringList {part(1), part(2), part(3), part(4)}
                      .filter(QRegularExpression(QStringLiteral("\\S")))
                      .join(QStringLiteral(", "));
    return {code, address};
}

} // namespace

bool looks_like_vcard(const QByteArray& bytes)
{
    const QByteArray start = bytes.left(64).trimmed().toUpper();
    return start.startsWith("BEGIN:VCARD")
        || start.startsWith("\xEF\xBB\xBF"
                            "BEGIN:VCARD");
}

List_Table read_vcard(const QByteArray& bytes)
{
    List_Table table;
    table.kind = QStringLiteral("vCard 聯絡人");
    table.rows.push_back({QStringLiteral("姓名"), QStringLiteral("稱謂"), QStringLiteral("公司"),
        QStringLiteral("部門"), QStringLiteral("郵遞區號"), QStringLiteral("住家地址"),
        QStringLiteral("公司地址"), QStringLiteral("地址")});
    QStringList row;
    bool inside = false;
    for (const QByteArray& line :
        unfolded(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes)) {
        const Property property = property_of(line);
        if (property.name == u"BEGIN") {
            row = QStringList(8);
            inside = true;
        } else if (property.name == u"END" && inside) {
            if (!row.join(QString()).trimmed().isEmpty())
                table.rows.push_back(row);
            if (table.rows.size() > most_list_rows)
                throw List_Error(
                    "名單超過 " + std::to_string(most_list_rows) + " 列，請分成幾個檔案");
            inside = false;
        } else if (inside) {
            const QString value = text_of(property);
            const QStringList parts = parts_of(value);
            if (property.name == u"FN")
                row[0] = parts.join(u';');
            else if (property.name == u"N" && row[0].isEmpty()) {
                const QString family = parts.value(0);
                const QString given = parts.value(1);
                row[0] = has_han(family + given) ? family + given
                                                 : QStringList {given, family}.join(u' ').trimmed();
            } else if (property.name == u"TITLE")
                row[1] = parts.join(u' ');
            else if (property.name == u"ORG") {
                row[2] = parts.value(0);
                row[3] = parts.mid(1).join(u' ').trimmed();
            } else if (property.name == u"ADR") {
                const auto [code, address] = address_of(parts);
                const QString kind = property.parameters.join(u';');
                const int column = kind.contains(QStringLiteral("WORK")) ? 6
                    : kind.contains(QStringLiteral("HOME"))              ? 5
                                                                         : 7;
                if (row[column].isEmpty()) {
                    row[column] = address;
                    if (row[4].isEmpty())
                        row[4] = code;
                }
            }
        }
    }
    if (table.rows.size() == 1)
        throw List_Error("檔案裡沒有聯絡人（vCard）");
    // Columns no contact uses are left out, so that one address column is no choice.
    for (int column = 7; column >= 1; --column) {
        const bool used = std::any_of(table.rows.begin() + 1, table.rows.end(),
            [&](const QStringList& r) { return !r.value(column).isEmpty(); });
        if (!used)
            for (QStringList& r : table.rows)
                r.removeAt(column);
    }
    return table;
}
