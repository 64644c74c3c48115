#include "list_rows.h"

#include "drawing.h"
#include "fonts.h"
#include "names.h"
#include "postal_codes.h"
#include "request_fields.h"

#include <QSet>
#include <algorithm>

namespace {

struct Header_Words
{
    List_Field field;
    QStringList exact;
    QString ending; // a header ending so is the field's too ("住家地址")
};

const std::array<Header_Words, list_field_count> header_words = {{
    {List_Field::name,
        {"姓名", "收件人", "收件人姓名", "名字", "聯絡人", "全名", "name", "full name",
            "display name"},
        QStringLiteral("姓名")},
    {List_Field::title,
        {"稱謂", "職稱", "頭銜", "稱呼", "title", "job title", "organization title",
            "organization 1 - title"},
        {}},
    {List_Field::company,
        {"公司", "服務單位", "單位", "機關", "公司名稱", "學校", "company", "organization",
            "organisation", "organization name", "organization 1 - name"},
        {}},
    {List_Field::department,
        {"部門", "科室", "處室", "department", "organization department",
            "organization 1 - department"},
        {}},
    {List_Field::code,
        {"郵遞區號", "郵區", "郵遞區號(3+3)", "郵遞區號(3+2)", "郵遞區號3+3", "zip", "postal code",
            "postcode", "zip code", "address 1 - postal code", "business postal code",
            "home postal code"},
        {}},
    {List_Field::address,
        {"地址", "通訊地址", "住址", "address", "address 1 - street", "business street",
            "home street"},
        QStringLiteral("地址")},
    {List_Field::county, {"縣市", "縣/市", "縣市別", "address 1 - region"}, {}},
    {List_Field::district,
        {"鄉鎮市區", "鄉鎮區", "鄉鎮市", "行政區", "鄉/鎮/市/區", "address 1 - city"}, {}},
    {List_Field::given_name, {"first name", "given name", "名"}, {}},
    {List_Field::family_name, {"last name", "family name", "姓"}, {}},
}};

QString header_key(const QString& cell)
{
    QString key = cell.trimmed().toLower();
    key.remove(u' ');
    key.remove(u'\u3000');
    key.replace(u'（', u'(');
    key.replace(u'）', u')');
    return key;
}

bool is_field(const Header_Words& words, const QString& cell)
{
    const QString key = header_key(cell);
    if (key.isEmpty())
        return false;
    for (const QString& exact : words.exact)
        if (key == header_key(exact))
            return true;
    return !words.ending.isEmpty() && key.endsWith(words.ending);
}

int fields_in(const QStringList& row)
{
    int found = 0;
    for (const Header_Words& words : header_words)
        found += std::any_of(
                     row.begin(), row.end(), [&](const QString& c) { return is_field(words, c); })
            ? 1
            : 0;
    return found;
}

QString cell(const QStringList& row, int column)
{
    return column >= 0 && column < row.size() ? row[column].trimmed() : QString();
}

// 王 and 小明 as 王小明; John and Smith as "John Smith".
QString person_of(const QString& given, const QString& family)
{
    if (has_han(given + family))
        return family + given;
    return QStringList {given, family}.join(u' ').trimmed();
}

// In Chinese the county first, run together; in Latin the street first, with commas.
QString address_of(const QString& county, const QString& district, const QString& street)
{
    if (has_han(county + district + street) || (county + district).isEmpty())
        return county + district + street;
    QStringList parts;
    for (const QString& part : {street, district, county})
        if (!part.isEmpty())
            parts << part;
    return parts.join(QStringLiteral(", "));
}

} // namespace

void check_row(List_Row& row, const List_Settings& settings)
{
    row.errors.clear();
    row.notes.clear();
    row.derived_code.clear();
    if (row.address.isEmpty())
        row.errors.push_back("沒有地址");
    if (row.name.isEmpty())
        row.errors.push_back("沒有姓名");
    const Code_Reading code = read_postal_code(row.postal_code, row.address, "收件人");
    if (code.derived)
        row.derived_code = *code.digits;
    if (code.warning && !row.address.isEmpty())
        row.notes.push_back(*code.warning);
    for (const QString& text : {row.name, row.address}) {
        if (has_private_use(text))
            row.notes.push_back("有造字區（私用區）的字，可能印不出來");
        if (text.contains(u'?') || text.contains(u'\uFFFD'))
            row.notes.push_back("有「?」：可能是存成 Big5 時存不下的字");
    }
    if (row.name.count(QStringLiteral("先生")) > 1 || row.name.count(QStringLiteral("小姐")) > 1)
        row.notes.push_back("稱謂重複了（例如「先生 先生」）");
    if (row.errors.empty()) {
        // What the envelope itself would say: cut text, unreadable codes.
        Record request = list_request(row, settings);
        for (const Warning& warning : measure_envelope(read_envelope(request)))
            if (warning.text.find("太長") != std::string::npos)
                row.notes.push_back(warning.text);
    }
    row.ticked = row.errors.empty();
}

void note_repeats(std::vector<List_Row>& rows)
{
    QSet<QString> seen;
    for (List_Row& row : rows) {
        const QString same = row.name + u'\n' + row.address;
        std::erase(row.notes, std::string(repeated_note));
        // The same envelope twice is rarely wanted: unticked, still there to tick.
        if (!row.address.isEmpty() && seen.contains(same)) {
            row.notes.push_back(repeated_note);
            row.ticked = false;
        }
        seen.insert(same);
    }
}

const char* field_name(List_Field field)
{
    static constexpr std::array<const char*, list_field_count> names = {"姓名", "稱謂", "公司",
        "部門", "郵遞區號", "地址", "縣市", "鄉鎮市區", "名（First Name）", "姓（Last Name）"};
    return names[std::size_t(field)];
}

List_Mapping map_columns(const std::vector<QStringList>& rows)
{
    List_Mapping mapping;
    int best = 1;
    for (int i = 0; i < int(std::min<std::size_t>(rows.size(), 10)); ++i) {
        const int found = fields_in(rows[std::size_t(i)]);
        if (found > best) {
            best = found;
            mapping.header_row = i;
        }
    }
    if (mapping.header_row < 0)
        return mapping;
    const QStringList& header = rows[std::size_t(mapping.header_row)];
    for (const Header_Words& words : header_words) {
        std::vector<int> candidates;
        for (int c = 0; c < int(header.size()); ++c)
            if (is_field(words, header[c]))
                candidates.push_back(c);
        // An exact "地址" beside "公司地址" is still a choice: never a guess.
        if (candidates.size() == 1)
            mapping[words.field] = candidates.front();
        else if (candidates.size() > 1)
            mapping.choices.push_back({words.field, candidates});
    }
    return mapping;
}

std::vector<List_Row> list_rows(const List_Table& table, const List_Mapping& mapping,
    const List_Settings& settings, bool checked)
{
    std::vector<List_Row> rows;
    for (std::size_t i = std::size_t(mapping.header_row + 1); i < table.rows.size(); ++i) {
        const QStringList& cells = table.rows[i];
        if (cells.join(QString()).trimmed().isEmpty())
            continue;
        List_Row row;
        row.number = int(i) + 1;
        QStringList name;
        for (const List_Field field :
            {List_Field::company, List_Field::department, List_Field::name, List_Field::title}) {
            QString part = cell(cells, mapping[field]);
            if (field == List_Field::name && part.isEmpty())
                part = person_of(cell(cells, mapping[List_Field::given_name]),
                    cell(cells, mapping[List_Field::family_name]));
            if (!part.isEmpty())
                name << part;
        }
        row.name = name.join(u' ');
        row.postal_code = cell(cells, mapping[List_Field::code]);
        row.address = address_of(cell(cells, mapping[List_Field::county]),
            cell(cells, mapping[List_Field::district]), cell(cells, mapping[List_Field::address]));
        if (checked)
            check_row(row, settings);
        rows.push_back(std::move(row));
    }
    if (checked)
        note_repeats(rows);
    return rows;
}

Record list_request(const List_Row& row, const List_Settings& settings)
{
    using namespace request_key;
    Record request;
    request[format] = settings.format.empty() ? std::string(envelope_formats[0]) : settings.format;
    request[mailing_method] = std::string();
    request[sender_name] = settings.sender_name;
    request[sender_postal_code] = settings.sender_postal_code;
    request[sender_address] = settings.sender_address;
    request[folder] = std::string(output_folder);
    request[input_mode] = std::string("名單輸入模式");
    request[size_ratio] = settings.size_ratio;
    request[chinese_font] = settings.chinese_font;
    request[latin_font] = settings.latin_font;
    request[recipient_name] = row.name.toStdString();
    request[recipient_postal_code] = row.postal_code.toStdString();
    request[recipient_address] = row.address.toStdString();
    request["名單"] = settings.list_name;
    request["名單列"] = static_cast<long long>(row.number);
    return request;
}
