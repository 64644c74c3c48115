#pragma once

// A list's columns mapped to what an envelope needs, and its rows made requests. The header row
// is found among the first ten (rows above it are titles); columns are mapped from their
// headers (姓名, 稱謂/職稱, 公司/服務單位, 部門, 郵遞區號, 地址/通訊地址, or 縣市 + 鄉鎮市區 +
// 地址 joined; the headers of the mail services' contacts too). Two columns that could both be one
// field (住家地址 and 公司地址) are the user's choice, never a guess. Each row is checked with the
// envelope's own reading and drawing.

#include "list_file.h"
#include "record.h"

#include <QString>
#include <array>
#include <string>
#include <vector>

// The last two are the mail services' contacts' (First Name, Last Name): joined into the name
// where there is no name column.
enum class List_Field {
    name,
    title,
    company,
    department,
    code,
    address,
    county,
    district,
    given_name,
    family_name
};
inline constexpr std::size_t list_field_count = 10;

struct List_Mapping
{
    int header_row = -1; // by index into the rows; -1 when none was found
    std::array<int, list_field_count> column {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    // Fields with more than one column that could be theirs: not mapped until chosen.
    std::vector<std::pair<List_Field, std::vector<int>>> choices;

    int& operator[](List_Field field) { return column[std::size_t(field)]; }
    int operator[](List_Field field) const { return column[std::size_t(field)]; }
};

const char* field_name(List_Field field);

List_Mapping map_columns(const std::vector<QStringList>& rows);

// What a list's envelopes share: the list window's own settings, the window's defaults at first.
struct List_Settings
{
    std::string format;
    std::string chinese_font = "微軟正黑體";
    std::string latin_font = "Calibri";
    Value size_ratio = 1LL;
    std::string sender_name;
    std::string sender_postal_code;
    std::string sender_address;
    std::string list_name; // the file's name without its folder
};

struct List_Row
{
    int number = 0; // as the spreadsheet shows it
    QString name; // company, department, person and title, as one name
    QString postal_code;
    QString address;
    std::vector<std::string> errors; // the row is not made until they are mended
    std::vector<std::string> notes; // worth a look
    QString derived_code; // read from the address, where none was typed
    bool ticked = true;
};

// The rows below the header, with their checks unless told not to (checking costs a drawing of
// each envelope); empty rows left out. Rows with errors unticked.
std::vector<List_Row> list_rows(const List_Table& table, const List_Mapping& mapping,
    const List_Settings& settings, bool checked = true);

// A row's checks made anew (after an edit); the same recipient twice is `note_repeats`' to tell,
// which unticks the second.
void check_row(List_Row& row, const List_Settings& settings);
void note_repeats(std::vector<List_Row>& rows);

inline constexpr char repeated_note[] = "和前面一列是同一位收件人";

// The row's request: the window's thirteen keys in their order, "輸入模式" "名單輸入模式", then
// "名單" and "名單列".
Record list_request(const List_Row& row, const List_Settings& settings);
