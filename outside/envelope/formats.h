#pragma once

// The six envelope formats by their texts in the format menu, such as "DL橫式信封(22cm x 11cm)":
// the page, the writing, and whether frames and boxes are printed.

#include <string>

// The six formats of the format menu, by identity rather than by their menu texts.
enum class Format_Id {
    vertical_12k,
    horizontal_12k,
    dl,
    vertical_12k_unframed,
    horizontal_12k_unframed,
    western,
    other, // a text of another size, read from its "(…cm x …cm)"
};

struct Envelope_Format
{
    Format_Id id = Format_Id::other;
    double width_mm = 0;
    double height_mm = 0;
    bool vertical = false; // vertical writing on a portrait page
    bool framed = true; // "(無框線)": no frames or boxes, for stationery that has them
};

// The format of a text such as "DL橫式信封(22cm x 11cm)"; throws for others.
Envelope_Format envelope_format(const std::string& format_text);

// The key a format's settings are kept under whatever its menu text ("12k-vertical"); the text
// itself for a format of another size.
std::string format_key(const std::string& format_text);

// The menu text of a format's key; the key itself for a format of another size.
std::string format_text(const std::string& key);
