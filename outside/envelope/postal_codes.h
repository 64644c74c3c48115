#pragma once

// Taiwan's postal codes as people type them: "114-066", "114 066", "１１４－０６６", " 114066 "
// are all the code 114066. Spaces and hyphens of any width are left out and full-width digits
// read as digits; what remains is a code when it is 3, 5 or 6 digits.

#include <QString>
#include <optional>
#include <string>

// The code's digits, or nothing when what was typed is not a code (printed as typed, with a
// warning). Nothing typed is no code either.
std::optional<QString> postal_code_digits(const QString& typed);

// What goes into a postal code's boxes, from what was typed and from the address. Nothing typed:
// the 3 digits of the address's area, when it can be read ("derived"); else a warning, unless
// there is no address either. A code: as typed, with a warning where its first 3 digits are not
// its address's area's (the user may know better). Anything else: printed as typed, with a
// warning. Never a 6-digit code guessed: the 3+3 book is not in reach.
struct Code_Reading
{
    std::optional<QString> digits; // for the boxes
    bool derived = false; // the digits come from the address
    QString typed; // what was typed, where it is no code
    std::optional<std::string> warning;
};

// `whose`: "收件人" or "寄件人", as the warnings name them.
Code_Reading read_postal_code(const QString& typed, const QString& address, const char* whose);
