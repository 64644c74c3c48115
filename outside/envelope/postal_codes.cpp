#include "postal_codes.h"

#include "postal_areas.h"
#include "visible_text.h"

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

Code_Reading read_postal_code(
    const QString& typed_as_it_came, const QString& address_as_it_came, const char* whose)
{
    const QString typed = visible_text(typed_as_it_came);
    const QString address = visible_text(address_as_it_came);
    const std::string who = whose;
    Code_Reading reading;
    if (typed.trimmed().isEmpty()) {
        if (address.trimmed().isEmpty())
            return reading;
        if (const auto area = area_of(address)) {
            reading.digits = QString::number(area->code);
            reading.derived = true;
        } else {
            reading.warning = "從" + who + "地址讀不出郵遞區號，郵遞區號框留空";
        }
        return reading;
    }
    reading.digits = postal_code_digits(typed);
    if (!reading.digits) {
        reading.typed = typed;
        reading.warning = "「" + who + "郵遞區號」「" + shown_in_a_message(typed).toStdString()
            + "」不是 3、5 或 6 位數字的郵遞區號，照原樣印出";
        return reading;
    }
    const auto area = area_of(address);
    if (area && reading.digits->left(3) != QString::number(area->code))
        reading.warning = (who == "寄件人" ? "寄件人郵遞區號 " : "郵遞區號 ")
            + reading.digits->left(3).toStdString() + " 與地址的" + area->name().toStdString()
            + "（" + std::to_string(area->code) + "）不符";
    return reading;
}
