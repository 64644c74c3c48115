#pragma once

// The first sheet of an Excel workbook (.xlsx), found through the workbook's relationships, or
// the one named: shared and inline strings (rich text without its phonetic runs), numbers as
// Excel shows them in a general cell (220003, never 220003.0 or 2.2E+5), text as typed (leading
// zeros kept). A damaged file, a part said to be larger than 64 MB or more rows than a list may
// have are told, not read.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct Xlsx_Sheet
{
    QString name;
    std::vector<QStringList> rows; // by the sheet's row numbers from 1: empty rows kept
    QStringList sheet_names; // all of the workbook's, in order
};

// Throws List_Error.
Xlsx_Sheet read_xlsx(const QString& path, const QString& sheet = QString());

// The parts, read from their XML: for the tests and the fuzzing.
QStringList shared_strings(const QByteArray& xml);
std::vector<QStringList> sheet_rows(
    const QByteArray& xml, const QStringList& shared, std::size_t most_rows);
