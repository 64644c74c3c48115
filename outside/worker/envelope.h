#pragma once

// The envelope as a print-ready PDF file in the request's output folder (drawing.h draws it).

#include "drawing.h"
#include "envelope_value.h"
#include "formats.h"
#include "record.h"

#include <QByteArray>
#include <string>
#include <vector>

struct Envelope
{
    std::string path; // where it was written, as this system names it
    std::string name; // its file name in the output folder
    std::vector<Warning> warnings;
};

// The envelope's PDF, one page of the format's size, made in memory.
QByteArray envelope_pdf(const Record& request, std::vector<Warning>& warnings);
QByteArray envelope_pdf(
    const Envelope_Value& envelope, const QString& title, std::vector<Warning>& warnings);

// Writes the envelope into the request's output folder under a name no other file has, and only
// once it is complete; throws, leaving no file behind, when it cannot.
Envelope make_envelope(const Record& request);
Envelope make_envelope(const Record& request, const Envelope_Value& envelope);
