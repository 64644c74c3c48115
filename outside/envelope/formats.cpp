#include "formats.h"

#include "request_fields.h"

#include <QString>
#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace {

// The worker's thread uses no QRegularExpression: the per-thread state Qt keeps for it is torn
// down in the wrong order when a non-Qt thread ends under mingw, and the thread crashes.

// A whole number or a decimal fraction in plain digits, such as "11.5".
std::optional<double> plain_number(std::string_view text)
{
    const auto point = text.find('.');
    const auto digits = [](std::string_view part) {
        return !part.empty()
            && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(text.substr(0, point))
        || (point != std::string_view::npos && !digits(text.substr(point + 1))))
        return std::nullopt;
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The two sides of "...(11.5cm x 23cm)" at the end of a format text, in centimetres.
std::optional<std::pair<double, double>> size_in_cm(std::string_view text)
{
    const auto open = text.rfind('(');
    if (open == std::string_view::npos || !text.ends_with("cm)"))
        return std::nullopt;
    const std::string_view inside = text.substr(open + 1, text.size() - open - 4);
    const auto cross = inside.find("cm x ");
    if (cross == std::string_view::npos)
        return std::nullopt;
    const auto a = plain_number(inside.substr(0, cross));
    const auto b = plain_number(inside.substr(cross + 5));
    if (!a || !b)
        return std::nullopt;
    return std::pair {*a, *b};
}

} // namespace

Envelope_Format envelope_format(const std::string& format_text)
{
    const auto size = size_in_cm(format_text);
    if (!size)
        throw std::invalid_argument("unknown envelope format \"" + format_text + "\"");
    const double a = size->first * 10;
    const double b = size->second * 10;
    const QString text = QString::fromStdString(format_text);
    Envelope_Format format;
    const auto known = std::find(envelope_formats.begin(), envelope_formats.end(), format_text);
    if (known != envelope_formats.end())
        format.id = Format_Id(known - envelope_formats.begin());
    format.vertical = text.contains(QStringLiteral("直式"));
    format.framed = !text.contains(QStringLiteral("(無框線)"));
    format.width_mm = format.vertical ? std::min(a, b) : std::max(a, b);
    format.height_mm = format.vertical ? std::max(a, b) : std::min(a, b);
    return format;
}

namespace {

constexpr std::array<const char*, 6> keys = {"12k-vertical", "12k-horizontal", "dl",
    "12k-vertical-unframed", "12k-horizontal-unframed", "western"};

} // namespace

std::string format_key(const std::string& format_text)
{
    const auto known = std::find(envelope_formats.begin(), envelope_formats.end(), format_text);
    return known != envelope_formats.end() ? keys[std::size_t(known - envelope_formats.begin())]
                                           : format_text;
}

std::string format_text(const std::string& key)
{
    const auto known = std::find(keys.begin(), keys.end(), key);
    return known != keys.end() ? envelope_formats[std::size_t(known - keys.begin())] : key;
}
