#pragma once

// One drawing of an envelope, for every device: the PDF file, the printer, the preview. It knows
// millimetres and the request; the outputs know devices, files, jobs and their failures.
// Vertical formats have the recipient's postal code in red boxes at the top right, the address
// in the right-hand columns and the name large in a red frame in the middle, the sender at the
// lower left; horizontal formats the sender at the top left and the recipient right of centre.
// The stamp area stays empty. Formats marked "(無框線)" print no frame lines or boxes.

#include "formats.h"
#include "record.h"
#include "warning.h"

#include <vector>

class QPainter;

// Draws the envelope of `request` on `painter`, whose device has `px_per_mm` pixels a millimetre
// and the page's top left at its origin; says what is worth knowing about it. Throws for a format
// it does not know.
std::vector<Warning> draw_envelope(QPainter& painter, double px_per_mm, const Record& request);
