#pragma once

// One print-ready PDF envelope per output request, laid out as Taiwan's post expects: vertical
// formats with the recipient's postal code in red boxes at the top right, the address in the
// right-hand columns and the name large in a red frame in the middle, the sender at the lower
// left; horizontal formats with the sender at the top left and the recipient right of centre.
// The stamp area stays empty. Formats marked "(無框線)" print no frame lines or boxes.

#include "record.h"

#include <string>
#include <vector>

struct Envelope_Format
{
    double width_mm = 0;
    double height_mm = 0;
    bool vertical = false; // vertical writing on a portrait page
    bool framed = true;
};

// The page and writing of a format text such as "DL橫式信封(22cm x 11cm)"; throws for others.
Envelope_Format envelope_format(const std::string& format_text);

// Something about an envelope worth knowing; some things hold for every envelope of the run.
struct Warning
{
    std::string text;
    bool once_per_run = false;
};

struct Envelope
{
    std::string path; // where it was written, as this system names it
    std::string name; // its file name in the output folder
    std::vector<Warning> warnings;
};

// Writes the envelope into the request's output folder under a name no other file has, and only
// once it is complete; throws, leaving no file behind, when it cannot.
Envelope make_envelope(const Record& request);
