#include "csv.h"

#include "list_text.h"

QChar csv_delimiter(const QString& text)
{
    int commas = 0;
    int tabs = 0;
    int semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        else if (!quoted && c == u',')
            ++commas;
        else if (!quoted && c == u'\t')
            ++tabs;
        else if (!quoted && c == u';')
            ++semicolons;
    }
    if (tabs > commas && tabs >= semicolons)
        return u'\t';
    return semicolons > commas ? u';' : u',';
}

std::vector<QStringList> parse_csv(const QString& text, QChar delimiter)
{
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool was_quoted = false;
    int line = 1;
    int quote_line = 0;
    const auto end_field = [&] {
        row << field;
        field.clear();
        was_quoted = false;
    };
    const auto end_row = [&] {
        end_field();
        rows.push_back(row);
        row.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                line += c == u'\n' ? 1 : 0;
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !was_quoted) {
            quoted = was_quoted = true;
            quote_line = line;
        } else if (c == delimiter) {
            end_field();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            end_row();
            ++line;
        } else {
            field += c;
        }
    }
    if (quoted)
        throw List_Error("第 " + std::to_string(quote_line)
            + " 行的引號（\"）到檔案結尾都沒有結束，檔案可能不完整");
    if (!field.isEmpty() || !row.isEmpty())
        end_row();
    return rows;
}

QString csv_field(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n')
        && !text.contains(u'\r'))
        return text;
    return QStringLiteral("\"")
        + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\""))
        + QStringLiteral("\"");
}
