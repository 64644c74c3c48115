#include "layout.h"

std::array<QRectF, 6> code_boxes(QPointF at, QSizeF box)
{
    using namespace measure;
    std::array<QRectF, 6> boxes;
    for (int i = 0; i < 6; ++i) {
        const double left
            = at.x() + box.width() * box_step * i + (i >= 3 ? box.width() * box_group_gap : 0);
        boxes[std::size_t(i)] = QRectF(left, at.y(), box.width(), box.height());
    }
    return boxes;
}

Envelope_Marks marks_of(const Envelope_Format& format)
{
    using namespace measure;
    const double W = format.width_mm;
    const double H = format.height_mm;
    const QSizeF box(code_box_width, code_box_height);
    const QSizeF sender_box(sender_code_box_width, sender_code_box_height);
    const double boxes_width = code_boxes({0, 0}, box).back().right();
    Envelope_Marks marks;
    if (format.vertical) {
        marks.code_boxes = code_boxes({W - vertical::side - boxes_width, vertical::code_top}, box);
        marks.sender_code_boxes
            = code_boxes({vertical::side, H - vertical::sender_code_above_bottom}, sender_box);
        marks.name_frame = QRectF(W / 2 - vertical::frame_left_of_middle, vertical::frame_top,
            vertical::frame_width, H - vertical::frame_top - vertical::frame_bottom);
    } else {
        marks.code_boxes = code_boxes({W * horizontal::recipient_left, horizontal::code_top}, box);
        marks.sender_code_boxes
            = code_boxes({horizontal::sender_left, horizontal::sender_code_top}, sender_box);
    }
    return marks;
}

Ink_Margins ink_margins(const Envelope_Format& format)
{
    using namespace measure;
    const Envelope_Marks marks = marks_of(format);
    if (format.vertical)
        return {vertical::side, vertical::code_top, vertical::side,
            format.height_mm - marks.sender_code_boxes.front().bottom()};
    return {horizontal::sender_left, horizontal::sender_code_top, horizontal::recipient_right,
        horizontal::recipient_bottom};
}
