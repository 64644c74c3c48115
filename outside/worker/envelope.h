#pragma once

// One print-ready PDF envelope per output request, laid out as Taiwan's post expects: vertical
// formats with the recipient's postal code in red boxes at the top right, the address in the
// right-hand columns and the name large in a red frame in the middle, the sender at the lower
// left; horizontal formats with the sender at the top left and the recipient right of centre.
// The stamp area stays empty. Formats marked "(無框線)" print no frame lines or boxes.

#include "record.h"

#include <filesystem>
#include <string>

struct Envelope_Format
{
    double width_mm = 0;
    double height_mm = 0;
    bool vertical = false; // vertical writing on a portrait page
    bool framed = true;
};

// The page and writing of a format text such as "DL橫式信封(22cm x 11cm)"; throws for others.
Envelope_Format envelope_format(const std::string& format_text);

// A file name for the recipient that cannot leave the folder: separators, "..", drive letters,
// control and reserved characters and reserved device names are replaced.
std::string safe_file_stem(const std::string& recipient);

// A path in `folder` that does not exist yet: "<stem>.pdf", else "<stem>-2.pdf", ...
std::filesystem::path unused_path(const std::filesystem::path& folder, const std::string& stem);

// Writes the envelope into the request's output folder; returns the file written.
std::filesystem::path make_envelope(const Record& request);
