#pragma once

// CSV as RFC 4180 and Excel write it: fields between commas (or tabs, or semicolons: told from
// the first line), quoted fields with commas, doubled quotes and line breaks in them, lines
// ended by CRLF, LF or CR.

#include <QString>
#include <QStringList>
#include <vector>

QChar csv_delimiter(const QString& text);

// A field as CSV writes it: quoted where it holds a comma, a quote or a line break.
QString csv_field(const QString& text);

// The rows, each as many fields as it has; throws List_Error for a quote never closed.
std::vector<QStringList> parse_csv(const QString& text, QChar delimiter);
