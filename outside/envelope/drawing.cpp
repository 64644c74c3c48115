#include "drawing.h"

#include "fonts.h"
#include "layout.h"
#include "names.h"
#include "postal_codes.h"
#include "request_fields.h"
#include "typesetting.h"
#include "visible_text.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

const QColor red(210, 35, 35);

std::string text_of(const Record& request, const char* key)
{
    return std::get<std::string>(request.at(key));
}

QString qtext(const Record& request, const char* key)
{
    return visible_text(QString::fromStdString(text_of(request, key)));
}

// The ratio as the request gives it; one that is not a positive number is taken as 1 (sizes
// then follow the layout's own), and any other is kept within the page by the text setting.
double size_ratio(const Record& request, std::vector<Warning>& warnings)
{
    const Value& value = request.at(request_key::size_ratio);
    double ratio = std::holds_alternative<double>(value) ? std::get<double>(value)
        : std::holds_alternative<long long>(value)       ? double(std::get<long long>(value))
                                                         : std::nan("");
    if (std::isnan(ratio))
        warnings.push_back({"文字大小比例不是數字，已改用 100%"});
    else if (ratio <= 0)
        warnings.push_back({"文字大小比例不是正數，已改用 100%"});
    else if (std::isinf(ratio))
        warnings.push_back({"文字大小比例太大，已改用 100%"});
    return std::isfinite(ratio) && ratio > 0 ? ratio : 1;
}

struct Page
{
    QPainter& painter;
    double px_per_mm;
    Envelope_Format format;
    QFont chinese;
    QFont latin;
    double ratio;
    std::vector<Warning>& warnings;

    QRectF mm(double x, double y, double w, double h) const
    {
        return {x * px_per_mm, y * px_per_mm, w * px_per_mm, h * px_per_mm};
    }

    // Text of the field `label`, at `size_mm` times the ratio, never below `floor_mm`; a cut is
    // worth a warning. Says how much of the block's breadth it took.
    Text_Fit text(const char* label, const QString& content, const QRectF& block, double size_mm,
        Writing writing, Align align = Align::start, double floor_mm = smallest_text_mm,
        bool words_whole = false) const
    {
        const Text_Fit fit = set_text(painter, px_per_mm, content, block,
            {chinese, latin, size_mm * ratio, Qt::black, floor_mm, words_whole}, writing, align);
        if (fit.cut)
            warnings.push_back(
                {std::string("「") + label + "」太長，放不下的部分沒有印出，以「……」標示"});
        return fit;
    }

    void frame(const QRectF& block_mm) const
    {
        if (!format.framed)
            return;
        painter.setPen(QPen(red, 0.35 * px_per_mm));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(mm(block_mm.x(), block_mm.y(), block_mm.width(), block_mm.height()));
    }

    // Six boxes, three and three, one digit each: a code's digits fill the first boxes, one
    // read from the address its first three. What was typed that is no code is printed as it
    // is, above the boxes or beside them.
    void postal_boxes(
        const Code_Reading& reading, QPointF at, QSizeF box, bool typed_above = false) const
    {
        if (reading.warning)
            warnings.push_back({*reading.warning});
        const std::array<QRectF, 6> boxes = code_boxes(at, box);
        const double width = boxes.back().right() - at.x();
        if (!reading.typed.isEmpty()) {
            const QRectF typed = typed_above
                ? QRectF(at.x(), at.y() - box.height() * 0.85, width, box.height() * 0.7)
                : QRectF(at.x() + width + 1, at.y(), box.width() * 6, box.height());
            set_text(painter, px_per_mm, reading.typed, typed,
                {chinese, latin, box.height() * measure::typed_code, Qt::black},
                Writing::horizontal);
        }
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            frame(boxes[i]);
            // The digits fit their boxes, whatever the ratio.
            const double digit = box.width() * measure::code_digit;
            if (reading.digits && qsizetype(i) < reading.digits->size())
                set_text(painter, px_per_mm, reading.digits->mid(qsizetype(i), 1),
                    boxes[i].translated(0, (box.height() - digit) / 2),
                    {chinese, latin, digit, Qt::black}, Writing::horizontal, Align::centre);
        }
    }
};

Code_Reading recipient_code(const Record& request)
{
    return read_postal_code(qtext(request, request_key::recipient_postal_code),
        qtext(request, request_key::recipient_address), "收件人");
}

Code_Reading sender_code(const Record& request)
{
    return read_postal_code(qtext(request, request_key::sender_postal_code),
        qtext(request, request_key::sender_address), "寄件人");
}

bool has_recipient(const Record& request)
{
    return !text_of(request, request_key::recipient_name).empty()
        || !text_of(request, request_key::recipient_address).empty()
        || !text_of(request, request_key::recipient_postal_code).empty();
}

// The person's name with its closing: 收, unless one was typed.
QString person_with_closing(const Name_Parts& name)
{
    return name.person + QStringLiteral(" ") + recipient_closing(name);
}

void recipient_name_in_frame(const Page& page, const Name_Parts& name, const QRectF& inside)
{
    using namespace measure;
    const double size = vertical::name_size;
    QRectF person = inside;
    if (!name.affiliation.isEmpty()) {
        const QRectF organisation(inside.right() - vertical::organisation_width, inside.top(),
            vertical::organisation_width, inside.height());
        page.text(request_key::recipient_name, name.affiliation.join(u' '), organisation,
            size * organisation_share, Writing::vertical, Align::start, recipient_floor, true);
        person.setRight(organisation.left() - 1);
    }
    page.text(request_key::recipient_name, person_with_closing(name), person, size,
        Writing::vertical, Align::centre, recipient_floor, true);
}

// The sender's name in its columns, the organisation's smaller and right of the person's.
void sender_name_in_columns(const Page& page, const Name_Parts& name, QRectF block)
{
    using namespace measure::vertical;
    if (!name.affiliation.isEmpty()) {
        const QRectF organisation(block.right() - sender_organisation_width, block.top(),
            sender_organisation_width, block.height());
        page.text(request_key::sender_name, name.affiliation.join(u' '), organisation,
            sender_name_size * measure::organisation_share, Writing::vertical, Align::start,
            smallest_text_mm, true);
        block.setRight(organisation.left());
    }
    page.text(request_key::sender_name, name.person, block, sender_name_size, Writing::vertical,
        Align::start, smallest_text_mm, true);
}

void lay_out_vertical(const Page& page, const Record& request)
{
    using namespace measure;
    using namespace measure::vertical;
    const double W = page.format.width_mm;
    const double H = page.format.height_mm;
    const Envelope_Marks marks = marks_of(page.format);
    if (has_recipient(request)) {
        page.postal_boxes(recipient_code(request), marks.code_boxes[0].topLeft(),
            {code_box_width, code_box_height}, true);
        page.text(request_key::recipient_address, qtext(request, request_key::recipient_address),
            {W - side - address_width, address_top, address_width,
                H - address_top - address_bottom},
            address_size, Writing::vertical, Align::start, recipient_floor);
        const QRectF name_frame(
            W / 2 - frame_left_of_middle, frame_top, frame_width, H - frame_top - frame_bottom);
        page.frame(name_frame);
        if (!text_of(request, request_key::recipient_name).empty())
            recipient_name_in_frame(page, name_parts(qtext(request, request_key::recipient_name)),
                name_frame.adjusted(frame_padding_side, frame_padding_end, -frame_padding_side,
                    -frame_padding_end));
    }
    const double top = H * sender_top;
    const double height = H * sender_height;
    page.text(request_key::sender_address, qtext(request, request_key::sender_address),
        {sender_address_left, top, sender_address_width, height}, sender_address_size,
        Writing::vertical);
    // Read after the address, the name starts lower.
    sender_name_in_columns(page, name_parts(qtext(request, request_key::sender_name)),
        {side, top + sender_name_lower, sender_name_width, height - sender_name_lower});
    page.postal_boxes(sender_code(request), marks.sender_code_boxes[0].topLeft(),
        {sender_code_box_width, sender_code_box_height});
}

// The blocks of a horizontal address, one below the other an even gap apart: the bottom of the
// last block set.
struct Stack
{
    const Page& page;
    double left;
    double width;
    double gap;
    double y;

    void add(const char* label, const QString& text, double height, double size,
        double floor = smallest_text_mm, bool words_whole = false)
    {
        if (text.trimmed().isEmpty())
            return;
        const Text_Fit fit = page.text(label, text, {left, y, width, height}, size,
            Writing::horizontal, Align::start, floor, words_whole);
        y += fit.breadth_mm + gap;
    }
    double bottom() const { return y - gap; }
};

// The sender at the top left: the code's boxes, the address, the organisation, the person, all
// of them well above the recipient's code line.
void lay_out_horizontal_sender(const Page& page, const Record& request)
{
    using namespace measure;
    using namespace measure::horizontal;
    const double W = page.format.width_mm;
    page.postal_boxes(sender_code(request), {sender_left, sender_code_top},
        {sender_code_box_width, sender_code_box_height});
    const Name_Parts name = name_parts(qtext(request, request_key::sender_name));
    const double top = sender_code_top + sender_code_box_height + sender_gap;
    const double bottom = code_top - code_below_sender;
    const double name_room = sender_name_height + sender_gap
        + (name.affiliation.isEmpty() ? 0 : sender_organisation_height + sender_gap);
    Stack sender {page, sender_left, W * sender_width - sender_left, sender_gap, top};
    sender.add(request_key::sender_address, qtext(request, request_key::sender_address),
        bottom - top - name_room, sender_address_size);
    sender.add(request_key::sender_name, name.affiliation.join(u' '), sender_organisation_height,
        sender_name_size * organisation_share, smallest_text_mm, true);
    sender.add(request_key::sender_name, name.person, sender_name_height, sender_name_size,
        smallest_text_mm, true);
}

void lay_out_horizontal(const Page& page, const Record& request)
{
    using namespace measure;
    using namespace measure::horizontal;
    const double W = page.format.width_mm;
    const double H = page.format.height_mm;
    lay_out_horizontal_sender(page, request);
    const double x = W * recipient_left;
    const double width = W - recipient_right - x;
    const Code_Reading code = recipient_code(request);
    if (code.digits || !code.typed.isEmpty() || code.warning)
        page.postal_boxes(
            code, marks_of(page.format).code_boxes[0].topLeft(), {code_box_width, code_box_height});
    Stack recipient {page, x, width, recipient_gap, code_top + code_box_height + recipient_gap};
    // The name's room is kept first, so that the person's name stays the largest text; the
    // address has what is left.
    const Name_Parts name = name_parts(qtext(request, request_key::recipient_name));
    const double organisation
        = name.affiliation.isEmpty() ? 0 : name_size * organisation_share + recipient_gap;
    const double name_room = text_of(request, request_key::recipient_name).empty()
        ? 0
        : name_size + recipient_gap + organisation;
    recipient.add(request_key::recipient_address, qtext(request, request_key::recipient_address),
        std::min(address_height, H - recipient_bottom - recipient.y - name_room), address_size,
        recipient_floor);
    if (name_room == 0)
        return;
    recipient.add(request_key::recipient_name, name.affiliation.join(u' '),
        H - recipient_bottom - recipient.y, name_size * organisation_share, recipient_floor, true);
    recipient.add(request_key::recipient_name, person_with_closing(name),
        H - recipient_bottom - recipient.y, name_size, recipient_floor, true);
}

bool any_han(const Record& request)
{
    for (const char* key : {request_key::sender_name, request_key::sender_address,
             request_key::recipient_name, request_key::recipient_address}) {
        if (has_han(qtext(request, key)))
            return true;
    }
    return false;
}

} // namespace

std::vector<Warning> draw_envelope(QPainter& painter, double px_per_mm, const Record& request)
{
    const Envelope_Format format = envelope_format(text_of(request, request_key::format));
    std::vector<Warning> warnings;
    if (any_han(request) && !chinese_fonts_installed())
        warnings.push_back({"找不到能印出中文（繁體中文）的字型，中文字會印成方框", true});
    painter.setRenderHint(QPainter::Antialiasing);
    const Page page {painter, px_per_mm, format,
        font_named(text_of(request, request_key::chinese_font)),
        font_named(text_of(request, request_key::latin_font)), size_ratio(request, warnings),
        warnings};
    if (format.vertical)
        lay_out_vertical(page, request);
    else
        lay_out_horizontal(page, request);
    return warnings;
}
