#pragma once

// Where everything lies on an envelope, in millimetres from the page's top left: the measures
// the drawing is made of, and the marks a calibration page shows of them.

#include "formats.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <array>

namespace measure {
// Six boxes for a postal code, three and three, a box's width apart and a little more.
constexpr double box_step = 1.12; // of a box's width
constexpr double box_group_gap = 0.45; // of a box's width
constexpr double code_box_width = 6.5;
constexpr double code_box_height = 8;
constexpr double sender_code_box_width = 4.5;
constexpr double sender_code_box_height = 5.5;
constexpr double code_digit = 0.8; // of a box's width
constexpr double typed_code = 0.6; // of a box's height: a code that is not one, as typed

// Sizes of the text before the ratio; the recipient's never below the postal service's 4 mm.
constexpr double recipient_floor = 4;
constexpr double organisation_share = 0.55; // of the person's name's size

// Vertical formats: the recipient's code at the top right, the address in columns below it,
// the name in a red frame just right of the middle; the sender at the lower left, the name's
// column starting lower than the address's.
namespace vertical {
constexpr double side = 8;
constexpr double code_top = 10;
constexpr double address_top = 24;
constexpr double address_width = 26;
constexpr double address_bottom = 36; // from the bottom edge
constexpr double address_size = 6.5;
constexpr double frame_left_of_middle = 15;
constexpr double frame_top = 30;
constexpr double frame_width = 26;
constexpr double frame_bottom = 32; // from the bottom edge
constexpr double frame_padding_side = 2;
constexpr double frame_padding_end = 4;
constexpr double organisation_width = 9; // the organisation's columns, at the frame's right
constexpr double name_size = 14;
constexpr double sender_top = 0.52; // of the height
constexpr double sender_height = 0.37; // of the height
constexpr double sender_address_left = 21;
constexpr double sender_address_width = 16;
constexpr double sender_name_width = 12;
constexpr double sender_name_lower = 10;
constexpr double sender_organisation_width = 5;
constexpr double sender_address_size = 4;
constexpr double sender_name_size = 5;
constexpr double sender_code_above_bottom = 14;
} // namespace vertical

// Horizontal formats: the sender at the top left, each of its blocks an even gap below the one
// before and all of them at least 15 mm above the recipient's code line, which lies where
// stationery prints its boxes; the recipient right of the left third.
namespace horizontal {
constexpr double sender_left = 10;
constexpr double sender_width = 0.45; // of the width, less the left margin
constexpr double sender_code_top = 8;
constexpr double sender_gap = 2;
constexpr double sender_name_height = 5.5;
constexpr double sender_organisation_height = 3.5;
constexpr double sender_address_size = 4;
constexpr double sender_name_size = 5;
constexpr double code_top = 52;
constexpr double code_below_sender = 16; // the post asks for 15, from the ink
constexpr double recipient_left = 0.38; // of the width
constexpr double recipient_right = 12;
constexpr double recipient_bottom = 6;
constexpr double recipient_gap = 3;
constexpr double address_height = 19;
constexpr double address_size = 6;
constexpr double name_size = 10;
} // namespace horizontal
} // namespace measure

// The six boxes of a postal code, three and three, the first box's top left at `at`.
std::array<QRectF, 6> code_boxes(QPointF at, QSizeF box);

// Where the recipient's code boxes, the sender's and the name's frame lie on a format (the
// frame empty on horizontal formats, which have none).
struct Envelope_Marks
{
    std::array<QRectF, 6> code_boxes;
    std::array<QRectF, 6> sender_code_boxes;
    QRectF name_frame;
};
Envelope_Marks marks_of(const Envelope_Format& format);

// How near each edge of the page the envelope has its frames, boxes and text at the nearest, in
// millimetres: what a printer that cannot print near its edges may leave out.
struct Ink_Margins
{
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};
Ink_Margins ink_margins(const Envelope_Format& format);
