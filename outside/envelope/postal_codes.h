#pragma once

// Taiwan's postal codes as people type them: "114-066", "114 066", "１１４－０６６", " 114066 "
// are all the code 114066. Spaces and hyphens of any width are left out and full-width digits
// read as digits; what remains is a code when it is 3, 5 or 6 digits.

#include <QString>
#include <optional>

// The code's digits, or nothing when what was typed is not a code (printed as typed, with a
// warning). Nothing typed is no code either.
std::optional<QString> postal_code_digits(const QString& typed);
