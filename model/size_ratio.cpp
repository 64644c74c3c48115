#include "size_ratio.h"

#include <QChar>
#include <QList>
#include <QString>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

// The code points with Unicode's White_Space property.
constexpr std::array<char32_t, 25> white_space = {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0,
    0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A,
    0x2028, 0x2029, 0x202F, 0x205F, 0x3000};

bool is_white_space(char32_t c)
{
    return std::find(white_space.begin(), white_space.end(), c) != white_space.end();
}

// The trimmed text in ASCII, decimal digits of every script turned into '0'..'9'.
std::optional<std::string> ascii_form(QStringView text)
{
    const QList<uint> code_points = text.toUcs4();
    auto first = code_points.begin();
    auto last = code_points.end();
    while (first != last && is_white_space(*first))
        ++first;
    while (last != first && is_white_space(*(last - 1)))
        --last;
    std::string ascii;
    for (auto it = first; it != last; ++it) {
        const char32_t c = *it;
        if (QChar::category(c) == QChar::Number_DecimalDigit)
            ascii += static_cast<char>('0' + QChar::digitValue(c));
        else if (c < 0x80)
            ascii += static_cast<char>(c);
        else
            return std::nullopt;
    }
    return ascii;
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// [sign] (digits [. digits?] | . digits) [(e|E) [sign] digits]
bool is_decimal_form(std::string_view text)
{
    std::size_t at = 0;
    auto digits = [&] {
        const std::size_t start = at;
        while (at < text.size() && is_digit(text[at]))
            ++at;
        return at - start;
    };
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    std::size_t mantissa = digits();
    if (at < text.size() && text[at] == '.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        if (digits() == 0)
            return false;
    }
    return at == text.size();
}

// Whether a decimal form whose value is out of a double's range is too large (not too small):
// the decimal order of its first significant digit decides.
bool overflows(std::string_view text)
{
    const std::size_t e_at = std::min(text.find_first_of("eE"), text.size());
    const std::string_view mantissa = text.substr(0, e_at);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos)
        return false;
    long long order = first < point ? static_cast<long long>(point - first)
                                    : -static_cast<long long>(first - point - 1);
    if (e_at < text.size()) {
        std::string_view exponent = text.substr(e_at + 1);
        const bool negative = exponent.front() == '-';
        exponent.remove_prefix(exponent.front() == '+' || negative ? 1 : 0);
        exponent.remove_prefix(std::min(exponent.find_first_not_of('0'), exponent.size()));
        // Beyond a billion the mantissa's own order no longer matters.
        const long long magnitude
            = exponent.size() > 9 ? 1'000'000'000'000LL : std::stoll("0" + std::string(exponent));
        order += negative ? -magnitude : magnitude;
    }
    return order > 0;
}

double decimal_value(std::string_view text)
{
    const bool negative = text.front() == '-';
    const std::string_view unsigned_text = text.substr(text.front() == '+' || negative ? 1 : 0);
    double value = 0;
    const auto [end, ec]
        = std::from_chars(unsigned_text.data(), unsigned_text.data() + unsigned_text.size(), value);
    if (ec == std::errc::result_out_of_range)
        value = overflows(unsigned_text) ? std::numeric_limits<double>::infinity() : 0.0;
    else if (ec != std::errc() || end != unsigned_text.data() + unsigned_text.size())
        throw std::logic_error("checked decimal form did not convert");
    return negative ? -value : value;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return text;
}

} // namespace

std::optional<double> percent_from_text(QStringView text)
{
    const std::optional<std::string> ascii = ascii_form(text);
    if (!ascii)
        return std::nullopt;
    const std::string word = lower(*ascii);
    if (word == "inf" || word == "infinity")
        return std::numeric_limits<double>::infinity();
    if (word == "nan")
        return std::numeric_limits<double>::quiet_NaN();
    if (!is_decimal_form(*ascii))
        return std::nullopt;
    return decimal_value(*ascii);
}

std::string ratio_hint_text(const Value& ratio)
{
    if (const auto* whole = std::get_if<long long>(&ratio))
        return std::to_string(*whole * 100);
    if (const auto* flag = std::get_if<bool>(&ratio))
        return *flag ? "100" : "0";
    if (const auto* real = std::get_if<double>(&ratio))
        return shortest_real_text(*real * 100);
    throw std::invalid_argument("the size ratio is not a number");
}
