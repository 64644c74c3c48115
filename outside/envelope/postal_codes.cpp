#include "postal_codes.h"

#include <QList>

namespace {

// Spaces and hyphens of every width that people type or paste between the parts of a code.
bool separates(char32_t c)
{
    return QChar::isSpace(c) || c == U'-' || c == U'－' || (c >= U'\u2010' && c <= U'\u2015')
        || c == U'\u2212' || c == U'\u30FC' || c == U'\uFE63';
}

} // namespace

std::optional<QString> postal_code_digits(const QString& typed)
{
    QString digits;
    for (const char32_t c : typed.toUcs4()) {
        if (c >= U'0' && c <= U'9')
            digits += QChar(char16_t(c));
        else if (c >= U'０' && c <= U'９')
            digits += QChar(char16_t(U'0' + (c - U'０')));
        else if (!separates(c))
            return std::nullopt;
    }
    if (digits.size() != 3 && digits.size() != 5 && digits.size() != 6)
        return std::nullopt;
    return digits;
}
