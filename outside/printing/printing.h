#pragma once

// Envelopes straight to a printer, through Qt's print support: exactly the format's paper and
// orientation, the whole page, the printer's stored shift and turn applied, one job with one
// page per envelope. Nothing is sent to a printer that is missing, stopped, not taking jobs or
// unable to take the format's paper (a queue without custom sizes would put the envelope on a
// Letter or A4 sheet without a word).

#include "formats.h"
#include "print_settings.h"
#include "record.h"
#include "warning.h"

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QPainter;

struct Printed_Job
{
    bool handed = false; // the print system took the job
    std::string printer;
    int job = 0; // its number, where the print system tells one
    std::string reason; // why it was not handed over
    std::vector<Warning> warnings;
};

// The envelopes of `requests`, all of one format, as one job named `title`, one page each.
Printed_Job print_envelopes(const std::vector<Record>& requests, const std::string& printer,
    const std::string& title, const Printer_Settings& settings);

// The printer's shift and turn, on the page as the format has it; the preview shows the same.
void apply_adjustment(QPainter& painter, double px_per_mm, const Envelope_Format& format,
    const Format_Adjustment& adjustment);

// A page for plain paper, held against an envelope against the light: the format's outline,
// millimetre rulers along its edges, crosshairs at the middles of the code boxes and at the name
// frame, so that the shift can be read off, and `words` on what the page is and how to read it.
void draw_calibration(
    QPainter& painter, double px_per_mm, const Envelope_Format& format, const QString& words);
// Those words: the printer, the format, the time, the shift it was printed with, how to use it.
QString calibration_words(
    const std::string& printer, const std::string& format, const Format_Adjustment& adjustment);
Printed_Job print_calibration(
    const std::string& printer, const std::string& format, const Printer_Settings& settings);

// Why the printer cannot take the format's paper, or nothing when it can.
std::string paper_refusal(const std::string& printer, const Envelope_Format& format);

// The print system's own name of the printer `name` names: print systems take printer names
// whatever their case ("envpdf" is EnvPDF), and its stored settings are kept under its own name.
// The name as given where no printer has it.
std::string printer_named(const std::string& name);

