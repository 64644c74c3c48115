#pragma once

// A list of recipients as a file: an Excel workbook (.xlsx) or a CSV or tab-separated text, as
// rows of cells. Workbooks Excel cannot save that way (.xls, a password-protected workbook) get
// one sentence saying how to save them; so does anything else.

#include "list_text.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

inline constexpr std::size_t most_list_rows = 10000;

struct List_Table
{
    std::vector<QStringList> rows; // row i is the spreadsheet's row i + 1
    QString kind; // "Excel 活頁簿（工作表「名單」）", "CSV，Big5（CP950）"
    bool encoding_guessed = false;
    std::vector<std::string> warnings;
    QStringList sheets; // a workbook's, in order; the one read is `sheet`
    QString sheet;
};

// Throws List_Error. A text file in the encoding chosen, where one is; a workbook's sheet by its
// name, where one is given, else its first.
List_Table read_list_file(const QString& path, std::optional<List_Encoding> chosen = std::nullopt,
    const QString& sheet = QString());

// The same from bytes already read, for a text file: for the tests and the fuzzing.
List_Table read_list_text(
    const QByteArray& bytes, std::optional<List_Encoding> chosen = std::nullopt);
