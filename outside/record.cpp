#include "record.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <stdexcept>

Value& Record::operator[](const std::string& key)
{
    auto found = std::find_if(
        entries_.begin(), entries_.end(), [&](const auto& entry) { return entry.first == key; });
    if (found != entries_.end())
        return found->second;
    return entries_.emplace_back(key, Value {}).second;
}

const Value& Record::at(const std::string& key) const
{
    for (const auto& [name, value] : entries_) {
        if (name == key)
            return value;
    }
    throw std::out_of_range("no entry '" + key + "'");
}

bool Record::contains(const std::string& key) const
{
    return std::any_of(
        entries_.begin(), entries_.end(), [&](const auto& entry) { return entry.first == key; });
}

std::vector<std::string> Record::keys() const
{
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const auto& entry : entries_)
        names.push_back(entry.first);
    return names;
}

std::string shortest_real_text(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buffer[64];
    auto [end, ec]
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string scientific(buffer, end); // e.g. "-1.2549999999999999e+02"
    const auto e_at = scientific.find('e');
    const int exponent = std::stoi(scientific.substr(e_at + 1));
    std::string sign = scientific[0] == '-' ? "-" : "";
    std::string digits;
    for (char c : scientific.substr(0, e_at)) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    // Same switch-over as the usual shortest "repr" form: exponent form below 1e-4 and from 1e16.
    if (exponent < -4 || exponent >= 16) {
        std::string mantissa = digits.substr(0, 1);
        if (digits.size() > 1)
            mantissa += "." + digits.substr(1);
        char exp_text[16];
        std::snprintf(
            exp_text, sizeof exp_text, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return sign + mantissa + exp_text;
    }
    if (exponent < 0)
        return sign + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    const auto whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole)
        return sign + digits + std::string(whole - digits.size(), '0') + ".0";
    return sign + digits.substr(0, whole) + "." + digits.substr(whole);
}

namespace {

std::string json_text(const std::string& text)
{
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string json_value(const Value& value, bool strict)
{
    struct Visitor
    {
        bool strict;
        std::string operator()(bool flag) const { return flag ? "true" : "false"; }
        std::string operator()(long long whole) const { return std::to_string(whole); }
        std::string operator()(double real) const
        {
            if (std::isfinite(real))
                return shortest_real_text(real);
            const std::string name = std::isnan(real) ? "NaN" : real < 0 ? "-Infinity" : "Infinity";
            return strict ? json_text(name) : name;
        }
        std::string operator()(const std::string& text) const { return json_text(text); }
    };
    return std::visit(Visitor {strict}, value);
}

std::string json_line(const Record& record, bool strict)
{
    std::string line = "{";
    for (const auto& [key, value] : record) {
        if (line.size() > 1)
            line += ", ";
        line += json_text(key) + ": " + json_value(value, strict);
    }
    return line + "}";
}

} // namespace

std::string to_json_line(const Record& record)
{
    return json_line(record, false);
}

std::string to_strict_json_line(const Record& record)
{
    return json_line(record, true);
}

Record record_from_json_line(const std::string& line)
{
    Record record;
    try {
        // nlohmann keeps no key order in its default object; the ordered variant does.
        const auto parsed = nlohmann::ordered_json::parse(line, nullptr, true, false);
        if (!parsed.is_object())
            throw std::runtime_error("not an object");
        for (const auto& [key, value] : parsed.items()) {
            if (value.is_boolean())
                record[key] = value.get<bool>();
            else if (value.is_number_integer())
                record[key] = value.get<long long>();
            else if (value.is_number_float())
                record[key] = value.get<double>();
            else if (value.is_string())
                record[key] = value.get<std::string>();
            else
                throw std::runtime_error("unsupported value for '" + key + "'");
        }
    } catch (const nlohmann::json::exception& error) {
        throw std::runtime_error(std::string("not a record line: ") + error.what());
    }
    return record;
}
