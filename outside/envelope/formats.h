#pragma once

// The six envelope formats by their texts in the format menu, such as "DL橫式信封(22cm x 11cm)":
// the page, the writing, and whether frames and boxes are printed.

#include <string>

struct Envelope_Format
{
    double width_mm = 0;
    double height_mm = 0;
    bool vertical = false; // vertical writing on a portrait page
    bool framed = true; // "(無框線)": no frames or boxes, for stationery that has them
};

// The format of a text such as "DL橫式信封(22cm x 11cm)"; throws for others.
Envelope_Format envelope_format(const std::string& format_text);
