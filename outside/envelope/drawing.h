#pragma once

// One drawing of an envelope, for every device: the PDF file, the printer, the preview. It knows
// millimetres and the envelope; the outputs know devices, files, jobs and their failures.
// Vertical formats have the recipient's postal code in red boxes at the top right, the address
// in the right-hand columns and the name large in a red frame in the middle, the sender at the
// lower left; horizontal formats the sender at the top left and the recipient right of centre.
// The recipient's name is never below 4 mm and the largest text of its block: the organisation,
// then the address, give way first, and what still does not fit is cut, the organisation before
// the address, never the name. The stamp area stays empty, and nothing typed comes within 5 mm
// of an edge. Formats marked "(無框線)" print no frame lines or boxes.

#include "envelope_value.h"
#include "record.h"
#include "warning.h"

#include <QRectF>
#include <QStringList>
#include <vector>

class QPainter;

// What each text of the envelope became, for those who check the drawing without reading pixels.
enum class Drawn_Part {
    recipient_person,
    recipient_organisation,
    recipient_address,
    recipient_typed_code, // typed where a code goes, and not one
    sender_person,
    sender_organisation,
    sender_address,
    sender_typed_code,
    code_digit,
};

struct Drawn_Text
{
    Drawn_Part part;
    QString text;
    double size_mm = 0;
    QRectF area_mm; // what its lines (or columns) take
    bool cut = false;
    QStringList lines; // as set
};

struct Drawing_Report
{
    std::vector<Drawn_Text> texts;
    std::vector<QRectF> frames_mm; // the name's frame and every code box, framed or not
};

// Draws `envelope` on `painter`, whose device has `px_per_mm` pixels a millimetre and the page's
// top left at its origin; says what is worth knowing about it, and fills `report` when given.
std::vector<Warning> draw_envelope(QPainter& painter, double px_per_mm,
    const Envelope_Value& envelope, Drawing_Report* report = nullptr);

// The same drawing on a page that keeps nothing, at a printer's resolution: what the envelope
// would say and how it would be set, for checking it before it is made.
std::vector<Warning> measure_envelope(
    const Envelope_Value& envelope, Drawing_Report* report = nullptr);

// The same from a request; throws for a format it does not know.
std::vector<Warning> draw_envelope(QPainter& painter, double px_per_mm, const Record& request);
