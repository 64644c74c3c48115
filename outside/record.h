#pragma once

// The keyed records that travel between the window and the worker: text keys in insertion order,
// values that are a flag, a whole number, a real number or a text. Whole 1 and real 1.0 differ.

#include <string>
#include <utility>
#include <variant>
#include <vector>

using Value = std::variant<bool, long long, double, std::string>;

class Record
{
public:
    // Like a dictionary: an unknown key is appended, a known one keeps its place.
    Value& operator[](const std::string& key);
    const Value& at(const std::string& key) const; // throws std::out_of_range
    bool contains(const std::string& key) const;
    std::vector<std::string> keys() const;
    std::size_t size() const { return entries_.size(); }

    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

    bool operator==(const Record&) const = default;

private:
    std::vector<std::pair<std::string, Value>> entries_;
};

// Shortest text that reads back as the same double, with a point or an exponent: 0.8, 1.0, 1e-05.
std::string shortest_real_text(double value);

// One JSON object on one line, keys in order, texts as UTF-8; non-finite reals as NaN/Infinity.
std::string to_json_line(const Record& record);

// The same as strict JSON, which has no non-finite numbers: they become the texts "NaN",
// "Infinity" and "-Infinity". For files that other programs read.
std::string to_strict_json_line(const Record& record);

// Reads what to_json_line wrote; throws std::runtime_error on anything else.
Record record_from_json_line(const std::string& line);
