#pragma once

// The text size ratio as the settings dialog shows and reads it, in percent.

#include "record.h"

#include <QStringView>
#include <optional>
#include <string>

// The typed percentage as a number, or nothing when the text is not one number: white space
// around it is dropped, other scripts' decimal digits count as digits, and inf, infinity and nan
// are words in any letter case.
std::optional<double> percent_from_text(QStringView text);

// The ratio times 100 as the dialog's hint shows it: 100 for the whole number 1, 80.0 for 0.8.
std::string ratio_hint_text(const Value& ratio);
