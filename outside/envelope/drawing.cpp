#include "drawing.h"

#include "fonts.h"
#include "layout.h"
#include "request_fields.h"
#include "typesetting.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

const QColor red(210, 35, 35);

// The sender's text and the recipient's organisation are never set smaller than this.
constexpr double sender_floor = 2.5;
constexpr double organisation_floor = 3;
// Each try of the recipient's block on a horizontal format sets the name this much smaller.
constexpr double name_step = 0.9;

const char* label_of(Drawn_Part part)
{
    switch (part) {
    case Drawn_Part::recipient_address:
        return request_key::recipient_address;
    case Drawn_Part::sender_person:
    case Drawn_Part::sender_organisation:
        return request_key::sender_name;
    case Drawn_Part::sender_address:
        return request_key::sender_address;
    case Drawn_Part::sender_typed_code:
        return request_key::sender_postal_code;
    case Drawn_Part::recipient_typed_code:
    case Drawn_Part::code_digit:
        return request_key::recipient_postal_code;
    case Drawn_Part::recipient_person:
    case Drawn_Part::recipient_organisation:
        break;
    }
    return request_key::recipient_name;
}

struct Page
{
    QPainter& painter;
    double px_per_mm;
    const Envelope_Value& envelope;
    std::vector<Warning>& warnings;
    Drawing_Report* report;

    double ratio() const { return envelope.ratio; }
    const Envelope_Format& format() const { return envelope.format; }

    // Text of `part` at `size_mm`, never below `floor_mm`; a cut is worth a warning.
    Text_Fit text(Drawn_Part part, const QString& content, const QRectF& block, double size_mm,
        Writing writing, Align align, double floor_mm, bool words_whole = false) const
    {
        const Text_Fit fit = set_text(painter, px_per_mm, content, block,
            {envelope.chinese, envelope.latin, size_mm, Qt::black, floor_mm, words_whole}, writing,
            align);
        if (content.isEmpty())
            return fit;
        if (fit.cut)
            warnings.push_back({std::string("「") + label_of(part)
                + "」太長，放不下的部分沒有印出，以「……」標示"});
        if (report != nullptr)
            report->texts.push_back({part, content, fit.size_mm, fit.area_mm, fit.cut, fit.lines});
        return fit;
    }

    // The same, measured and not drawn.
    Text_Fit measured(const QString& content, const QRectF& block, double size_mm, double floor_mm,
        bool words_whole) const
    {
        Text_Style style {
            envelope.chinese, envelope.latin, size_mm, Qt::black, floor_mm, words_whole};
        style.draw = false;
        return set_text(painter, px_per_mm, content, block, style, Writing::horizontal);
    }

    void frame(const QRectF& block_mm) const
    {
        if (report != nullptr)
            report->frames_mm.push_back(block_mm);
        if (!format().framed)
            return;
        painter.setPen(QPen(red, 0.35 * px_per_mm));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(block_mm.topLeft() * px_per_mm, block_mm.size() * px_per_mm));
    }

    // A digit with the middle of its ink in the middle of its box, whatever the ratio.
    void digit(const QRectF& box, const QString& digit) const
    {
        QFont font = envelope.latin;
        font.setPixelSize(
            std::max(1, int(std::lround(box.width() * measure::code_digit * px_per_mm))));
        QPainterPath outline;
        outline.addText(0, 0, font, digit);
        const QRectF ink = outline.boundingRect();
        const QPointF origin = box.center() * px_per_mm - ink.center();
        painter.setPen(Qt::black);
        painter.setFont(font);
        painter.drawText(origin, digit);
        if (report != nullptr) {
            const QRectF at = ink.translated(origin);
            report->texts.push_back(
                {Drawn_Part::code_digit, digit, box.width() * measure::code_digit,
                    QRectF(at.topLeft() / px_per_mm, at.size() / px_per_mm), false, {digit}});
        }
    }

    // Six boxes, three and three, one digit each: a code's digits fill the first boxes, one
    // read from the address its first three. What was typed that is no code is printed as it
    // is, below the boxes or beside them, well inside the page.
    void postal_boxes(const Code_Reading& reading, QPointF at, QSizeF box, Drawn_Part typed_part,
        bool typed_below = false) const
    {
        const std::array<QRectF, 6> boxes = code_boxes(at, box);
        const double width = boxes.back().right() - at.x();
        if (!reading.typed.isEmpty()) {
            const double left = at.x() + width + 1;
            const QRectF typed = typed_below
                ? QRectF(at.x(), at.y() + box.height() + 0.8, width, box.height() * 0.7)
                : QRectF(left, at.y(), std::min(box.width() * 6, format().width_mm - 5 - left),
                    box.height());
            text(typed_part, reading.typed, typed, box.height() * measure::typed_code,
                Writing::horizontal, Align::start, smallest_text_mm);
        }
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            frame(boxes[i]);
            if (reading.digits && qsizetype(i) < reading.digits->size())
                digit(boxes[i], reading.digits->mid(qsizetype(i), 1));
        }
    }
};

// The person's name with its closing: 收, unless one was typed.
QString person_with_closing(const Name_Parts& name)
{
    return name.person + QStringLiteral(" ") + recipient_closing(name);
}

// The name in its frame, the organisation's columns smaller at its right: says the size the
// person's name was set at.
double recipient_name_in_frame(const Page& page, const Name_Parts& name, const QRectF& inside)
{
    using namespace measure;
    const double size = vertical::name_size * page.ratio();
    QRectF person = inside;
    QRectF organisation;
    if (!name.affiliation.isEmpty()) {
        organisation = QRectF(inside.right() - vertical::organisation_width, inside.top(),
            vertical::organisation_width, inside.height());
        person.setRight(organisation.left() - 1);
    }
    const double set = page.text(Drawn_Part::recipient_person, person_with_closing(name), person,
                               size, Writing::vertical, Align::centre, recipient_floor, true)
                           .size_mm;
    if (!name.affiliation.isEmpty())
        page.text(Drawn_Part::recipient_organisation, name.affiliation.join(u' '), organisation,
            std::min(size * organisation_share, set), Writing::vertical, Align::start,
            organisation_floor, true);
    return set;
}

// The sender's name in its columns, the organisation's smaller and right of the person's.
void sender_name_in_columns(const Page& page, const Name_Parts& name, QRectF block)
{
    using namespace measure::vertical;
    const double size = sender_name_size * page.ratio();
    if (!name.affiliation.isEmpty()) {
        const QRectF organisation(block.right() - sender_organisation_width, block.top(),
            sender_organisation_width, block.height());
        page.text(Drawn_Part::sender_organisation, name.affiliation.join(u' '), organisation,
            size * measure::organisation_share, Writing::vertical, Align::start, sender_floor,
            true);
        block.setRight(organisation.left());
    }
    page.text(Drawn_Part::sender_person, name.person, block, size, Writing::vertical, Align::start,
        sender_floor, true);
}

void lay_out_vertical(const Page& page)
{
    using namespace measure;
    using namespace measure::vertical;
    const Envelope_Value& e = page.envelope;
    const double W = page.format().width_mm;
    const double H = page.format().height_mm;
    const Envelope_Marks marks = marks_of(page.format());
    if (e.has_recipient) {
        page.postal_boxes(e.recipient.code, marks.code_boxes[0].topLeft(),
            {code_box_width, code_box_height}, Drawn_Part::recipient_typed_code, true);
        page.frame(marks.name_frame);
        double name_size_set = address_size * page.ratio();
        if (!e.recipient.name_typed.isEmpty())
            name_size_set = recipient_name_in_frame(page, e.recipient.name,
                marks.name_frame.adjusted(frame_padding_side, frame_padding_end,
                    -frame_padding_side, -frame_padding_end));
        page.text(Drawn_Part::recipient_address, e.recipient.address,
            {W - side - address_width, address_top, address_width,
                H - address_top - address_bottom},
            std::min(address_size * page.ratio(), name_size_set), Writing::vertical, Align::start,
            recipient_floor);
    }
    const double top = H * sender_top;
    const double height = H * sender_height;
    page.text(Drawn_Part::sender_address, e.sender.address,
        {sender_address_left, top, sender_address_width, height},
        sender_address_size * page.ratio(), Writing::vertical, Align::start, sender_floor);
    // Read after the address, the name starts lower.
    sender_name_in_columns(page, e.sender.name,
        {side, top + sender_name_lower, sender_name_width, height - sender_name_lower});
    page.postal_boxes(e.sender.code, marks.sender_code_boxes[0].topLeft(),
        {sender_code_box_width, sender_code_box_height}, Drawn_Part::sender_typed_code);
}

// The blocks of a horizontal address, one below the other an even gap apart.
struct Stack
{
    const Page& page;
    double left;
    double width;
    double gap;
    double y;

    void add(Drawn_Part part, const QString& text, double height, double size, double floor,
        bool words_whole = false)
    {
        if (text.trimmed().isEmpty())
            return;
        const Text_Fit fit = page.text(part, text, {left, y, width, std::max(height, 0.0)}, size,
            Writing::horizontal, Align::start, floor, words_whole);
        y += fit.breadth_mm + gap;
    }
};

// The sender at the top left: the code's boxes, the address, the organisation, the person, all
// of them well above the recipient's code line.
void lay_out_horizontal_sender(const Page& page)
{
    using namespace measure;
    using namespace measure::horizontal;
    const Envelope_Party& sender = page.envelope.sender;
    const double W = page.format().width_mm;
    const double ratio = page.ratio();
    page.postal_boxes(sender.code, {sender_left, sender_code_top},
        {sender_code_box_width, sender_code_box_height}, Drawn_Part::sender_typed_code);
    const double top = sender_code_top + sender_code_box_height + sender_gap;
    const double bottom = code_top - code_below_sender;
    const double name_room = sender_name_height + sender_gap
        + (sender.name.affiliation.isEmpty() ? 0 : sender_organisation_height + sender_gap);
    Stack stack {page, sender_left, W * sender_width - sender_left, sender_gap, top};
    stack.add(Drawn_Part::sender_address, sender.address, bottom - top - name_room,
        sender_address_size * ratio, sender_floor);
    stack.add(Drawn_Part::sender_organisation, sender.name.affiliation.join(u' '),
        sender_organisation_height, sender_name_size * organisation_share * ratio, sender_floor,
        true);
    stack.add(Drawn_Part::sender_person, sender.name.person, sender_name_height,
        sender_name_size * ratio, sender_floor, true);
}

// How the recipient's block of a horizontal format is shared: the person's name at the largest
// size that leaves the address room at its floor, the organisation at its floor kept room for.
struct Recipient_Plan
{
    double person_size = 0;
    double address_height = 0;
    bool organisation_dropped = false; // the address needs all the room there is
};

Recipient_Plan plan_recipient(const Page& page, const QString& person, const QString& organisation,
    const QString& address, QSizeF room)
{
    using namespace measure;
    using namespace measure::horizontal;
    const double gap = recipient_gap;
    const double width = room.width();
    const double ratio = page.ratio();
    Recipient_Plan plan;
    // At most a line's height for the name first: it shrinks before it breaks.
    double size = name_size * ratio;
    if (!person.isEmpty()) {
        const Text_Fit one_line = page.measured(
            person, {0, 0, width, std::min(size, room.height())}, size, recipient_floor, true);
        if (!one_line.cut)
            size = one_line.size_mm;
    }
    for (;;) {
        const double person_breadth = person.isEmpty()
            ? 0
            : page.measured(person, {0, 0, width, room.height()}, size, recipient_floor, true)
                    .breadth_mm
                + gap;
        const double rest = room.height() - person_breadth;
        const double organisation_room = organisation.isEmpty()
            ? 0
            : page.measured(organisation, {0, 0, width, rest}, organisation_floor,
                      organisation_floor, true)
                    .breadth_mm
                + gap;
        const Text_Fit set = page.measured(address, {0, 0, width, rest - organisation_room},
            std::min(address_size * ratio, size), recipient_floor, false);
        plan.person_size = size;
        plan.address_height = address.isEmpty() ? 0 : set.breadth_mm;
        // A block thinner than the floor lets the text below it: that is no fit either.
        const bool fits = address.isEmpty() || (!set.cut && set.size_mm >= recipient_floor - 0.01);
        if (fits || size <= recipient_floor) {
            plan.organisation_dropped = !fits && !organisation.isEmpty();
            if (plan.organisation_dropped)
                plan.address_height = rest;
            return plan;
        }
        size = std::max(size * name_step, recipient_floor);
    }
}

void lay_out_horizontal(const Page& page)
{
    using namespace measure;
    using namespace measure::horizontal;
    const Envelope_Value& e = page.envelope;
    const double W = page.format().width_mm;
    const double H = page.format().height_mm;
    lay_out_horizontal_sender(page);
    const double x = W * recipient_left;
    const double width = W - recipient_right - x;
    const Code_Reading& code = e.recipient.code;
    if (code.digits || !code.typed.isEmpty() || code.warning)
        page.postal_boxes(code, marks_of(page.format()).code_boxes[0].topLeft(),
            {code_box_width, code_box_height}, Drawn_Part::recipient_typed_code);
    const double top = code_top + code_box_height + recipient_gap;
    const double bottom = H - recipient_bottom;
    const Name_Parts& name = e.recipient.name;
    const QString person = e.recipient.name_typed.isEmpty() ? QString() : person_with_closing(name);
    const QString organisation = name.affiliation.join(u' ');
    const Recipient_Plan plan
        = plan_recipient(page, person, organisation, e.recipient.address, {width, bottom - top});
    Stack stack {page, x, width, recipient_gap, top};
    stack.add(Drawn_Part::recipient_address, e.recipient.address, plan.address_height,
        std::min(address_size * page.ratio(), plan.person_size), recipient_floor);
    const double person_room = person.isEmpty() ? 0
                                                : page.measured(person, {0, 0, width, bottom - top},
                                                          plan.person_size, recipient_floor, true)
                                                      .breadth_mm
            + recipient_gap;
    if (plan.organisation_dropped) {
        // Nothing of it is printed: said as a cut.
        page.warnings.push_back({std::string("「") + request_key::recipient_name
            + "」太長，放不下的部分沒有印出，以「……」標示"});
        if (page.report != nullptr)
            page.report->texts.push_back(
                {Drawn_Part::recipient_organisation, organisation, 0, {}, true, {}});
    } else {
        stack.add(Drawn_Part::recipient_organisation, organisation, bottom - stack.y - person_room,
            std::min(name_size * organisation_share * page.ratio(), plan.person_size),
            organisation_floor, true);
    }
    stack.add(Drawn_Part::recipient_person, person, bottom - stack.y, plan.person_size,
        recipient_floor, true);
}

// A page that keeps nothing: only the layout is wanted.
class Null_Engine : public QPaintEngine
{
public:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override { }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
    void drawTextItem(const QPointF&, const QTextItem&) override { }
    void drawPath(const QPainterPath&) override { }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
    Type type() const override { return QPaintEngine::User; }
};

constexpr int measuring_dpi = 600;

class Null_Page : public QPaintDevice
{
public:
    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 10000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return measuring_dpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    mutable Null_Engine engine_;
};

} // namespace

std::vector<Warning> measure_envelope(const Envelope_Value& envelope, Drawing_Report* report)
{
    Null_Page page;
    QPainter painter(&page);
    return draw_envelope(painter, measuring_dpi / 25.4, envelope, report);
}

std::vector<Warning> draw_envelope(
    QPainter& painter, double px_per_mm, const Envelope_Value& envelope, Drawing_Report* report)
{
    std::vector<Warning> warnings;
    if (envelope.any_han && !chinese_fonts_installed())
        warnings.push_back({"找不到能印出中文（繁體中文）的字型，中文字會印成方框", true});
    warnings.insert(warnings.end(), envelope.warnings.begin(), envelope.warnings.end());
    painter.setRenderHint(QPainter::Antialiasing);
    const Page page {painter, px_per_mm, envelope, warnings, report};
    if (envelope.format.vertical)
        lay_out_vertical(page);
    else
        lay_out_horizontal(page);
    return warnings;
}

std::vector<Warning> draw_envelope(QPainter& painter, double px_per_mm, const Record& request)
{
    return draw_envelope(painter, px_per_mm, read_envelope(request));
}
