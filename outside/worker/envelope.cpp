#include "envelope.h"

#include "envelope_text.h"
#include "file_names.h"
#include "names.h"
#include "platform.h"
#include "postal_codes.h"
#include "request_fields.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace {

const QColor red(210, 35, 35);

std::string text_of(const Record& request, const char* key)
{
    return std::get<std::string>(request.at(key));
}

QString qtext(const Record& request, const char* key)
{
    return QString::fromStdString(text_of(request, key));
}

// The offered fonts by their Windows names, then the free faces of the same kind elsewhere (a Ming
// face for 新細明體, a Kai face for 標楷體); any other name as it is. Qt falls back from there.
// (TrueType faces: Qt's PDF writer leaves the text of a CFF-outlined face unreadable.)
QFont font_named(const std::string& name)
{
    static const std::pair<const char*, QStringList> families[] = {
        {"微軟正黑體", {"Microsoft JhengHei", "WenQuanYi Micro Hei"}},
        {"標楷體", {"DFKai-SB", "AR PL UKai TW"}},
        {"新細明體", {"PMingLiU", "AR PL UMing TW"}},
    };
    QFont font;
    font.setFamilies({QString::fromStdString(name)});
    for (const auto& [offered, stand_ins] : families) {
        if (name == offered)
            font.setFamilies(stand_ins);
    }
    font.setStyleHint(QFont::SansSerif);
    return font;
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

// Whether the installed fonts can print Chinese at all; asked once, the fonts do not change.
bool chinese_fonts_installed()
{
    static const bool installed
        = !QFontDatabase::families(QFontDatabase::TraditionalChinese).isEmpty();
    return installed;
}

bool has_han(const QString& text)
{
    const QList<uint> code_points = text.toUcs4();
    return std::any_of(code_points.begin(), code_points.end(),
        [](uint c) { return QChar::script(c) == QChar::Script_Han; });
}

// The page's measures, in millimetres from its top left.
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
// before; the recipient right of the left third, its code line at least 15 mm below the sender.
namespace horizontal {
constexpr double sender_left = 10;
constexpr double sender_width = 0.45; // of the width, less the left margin
constexpr double sender_code_top = 8;
constexpr double sender_gap = 2.5;
constexpr double sender_address_height = 10.5;
constexpr double sender_name_height = 7;
constexpr double sender_address_size = 4;
constexpr double sender_name_size = 5;
constexpr double code_below_sender = 16; // the post asks for 15, from the ink
constexpr double recipient_left = 0.38; // of the width
constexpr double recipient_top = 0.42; // of the height, at the least
constexpr double recipient_right = 12;
constexpr double recipient_bottom = 6;
constexpr double recipient_gap = 3;
constexpr double address_height = 19;
constexpr double name_room = 12; // kept for the name below the address at the least
constexpr double address_size = 6;
constexpr double name_size = 10;
} // namespace horizontal
} // namespace measure

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

    // Six boxes, three and three, one digit each; a 3- or 5-digit code fills the first boxes.
    // Anything else that was typed is printed as it is, above the boxes or beside them, and
    // the field `label` is worth a warning.
    void postal_boxes(const char* label, const QString& code, QPointF at, QSizeF box,
        bool typed_above = false) const
    {
        const auto digits = postal_code_digits(code);
        const double step = box.width() * measure::box_step;
        const double width = boxes_width(box.width());
        if (!digits && !code.trimmed().isEmpty()) {
            const QRectF typed = typed_above
                ? QRectF(at.x(), at.y() - box.height() * 0.85, width, box.height() * 0.7)
                : QRectF(at.x() + width + 1, at.y(), box.width() * 6, box.height());
            set_text(painter, px_per_mm, code, typed,
                {chinese, latin, box.height() * measure::typed_code, Qt::black},
                Writing::horizontal);
            warnings.push_back({std::string("「") + label + "」「" + code.toStdString()
                + "」不是 3、5 或 6 位數字的郵遞區號，照原樣印出"});
        }
        for (int i = 0; i < 6; ++i) {
            const double left
                = at.x() + step * i + (i >= 3 ? box.width() * measure::box_group_gap : 0);
            frame({left, at.y(), box.width(), box.height()});
            // The digits fit their boxes, whatever the ratio.
            const double digit = box.width() * measure::code_digit;
            if (digits && i < digits->size())
                set_text(painter, px_per_mm, digits->mid(i, 1),
                    {left, at.y() + (box.height() - digit) / 2, box.width(), box.height()},
                    {chinese, latin, digit, Qt::black}, Writing::horizontal, Align::centre);
        }
    }

    static double boxes_width(double box_width)
    {
        return box_width * (measure::box_step * 5 + 1 + measure::box_group_gap);
    }
};

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
    if (has_recipient(request)) {
        page.postal_boxes(request_key::recipient_postal_code,
            qtext(request, request_key::recipient_postal_code),
            {W - side - Page::boxes_width(code_box_width), code_top},
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
    page.postal_boxes(request_key::sender_postal_code,
        qtext(request, request_key::sender_postal_code), {side, H - sender_code_above_bottom},
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

// The sender at the top left: the code's boxes, the address, the organisation, the person.
double lay_out_horizontal_sender(const Page& page, const Record& request)
{
    using namespace measure;
    using namespace measure::horizontal;
    const double W = page.format.width_mm;
    page.postal_boxes(request_key::sender_postal_code,
        qtext(request, request_key::sender_postal_code), {sender_left, sender_code_top},
        {sender_code_box_width, sender_code_box_height});
    Stack sender {page, sender_left, W * sender_width - sender_left, sender_gap,
        sender_code_top + sender_code_box_height + sender_gap};
    const Name_Parts name = name_parts(qtext(request, request_key::sender_name));
    sender.add(request_key::sender_address, qtext(request, request_key::sender_address),
        sender_address_height, sender_address_size);
    sender.add(request_key::sender_name, name.affiliation.join(u' '), sender_name_height,
        sender_name_size * organisation_share, smallest_text_mm, true);
    sender.add(request_key::sender_name, name.person, sender_name_height, sender_name_size,
        smallest_text_mm, true);
    return sender.bottom();
}

void lay_out_horizontal(const Page& page, const Record& request)
{
    using namespace measure;
    using namespace measure::horizontal;
    const double W = page.format.width_mm;
    const double H = page.format.height_mm;
    const double sender_bottom = lay_out_horizontal_sender(page, request);
    const double x = W * recipient_left;
    const double width = W - recipient_right - x;
    const double code_top = std::max(H * recipient_top, sender_bottom + code_below_sender);
    const QString code = qtext(request, request_key::recipient_postal_code);
    if (!code.isEmpty())
        page.postal_boxes(request_key::recipient_postal_code, code, {x, code_top},
            {code_box_width, code_box_height});
    Stack recipient {page, x, width, recipient_gap, code_top + code_box_height + recipient_gap};
    const double room = H - recipient_bottom - recipient.y;
    recipient.add(request_key::recipient_address, qtext(request, request_key::recipient_address),
        std::min(address_height, room - name_room - recipient_gap), address_size, recipient_floor);
    if (text_of(request, request_key::recipient_name).empty())
        return;
    const Name_Parts name = name_parts(qtext(request, request_key::recipient_name));
    const double name_size_here = std::min(name_size, H - recipient_bottom - recipient.y);
    recipient.add(request_key::recipient_name, name.affiliation.join(u' '),
        H - recipient_bottom - recipient.y, name_size * organisation_share, recipient_floor, true);
    recipient.add(request_key::recipient_name, person_with_closing(name),
        H - recipient_bottom - recipient.y, name_size_here, recipient_floor, true);
}

// The worker's thread uses no QRegularExpression: the per-thread state Qt keeps for it is torn
// down in the wrong order when a non-Qt thread ends under mingw, and the thread crashes.

// A whole number or a decimal fraction in plain digits, such as "11.5".
std::optional<double> plain_number(std::string_view text)
{
    const auto point = text.find('.');
    const auto digits = [](std::string_view part) {
        return !part.empty()
            && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(text.substr(0, point))
        || (point != std::string_view::npos && !digits(text.substr(point + 1))))
        return std::nullopt;
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The two sides of "...(11.5cm x 23cm)" at the end of a format text, in centimetres.
std::optional<std::pair<double, double>> size_in_cm(std::string_view text)
{
    const auto open = text.rfind('(');
    if (open == std::string_view::npos || !text.ends_with("cm)"))
        return std::nullopt;
    const std::string_view inside = text.substr(open + 1, text.size() - open - 4);
    const auto cross = inside.find("cm x ");
    if (cross == std::string_view::npos)
        return std::nullopt;
    const auto a = plain_number(inside.substr(0, cross));
    const auto b = plain_number(inside.substr(cross + 5));
    if (!a || !b)
        return std::nullopt;
    return std::pair {*a, *b};
}

} // namespace

Envelope_Format envelope_format(const std::string& format_text)
{
    const auto size = size_in_cm(format_text);
    if (!size)
        throw std::invalid_argument("unknown envelope format \"" + format_text + "\"");
    const double a = size->first * 10;
    const double b = size->second * 10;
    const QString text = QString::fromStdString(format_text);
    Envelope_Format format;
    format.vertical = text.contains(QStringLiteral("直式"));
    format.framed = !text.contains(QStringLiteral("(無框線)"));
    format.width_mm = format.vertical ? std::min(a, b) : std::max(a, b);
    format.height_mm = format.vertical ? std::max(a, b) : std::min(a, b);
    return format;
}

namespace {

// The envelope's PDF, made in memory: only its writing to the disk can fail, and that says why.
QByteArray pdf_of(
    const Record& request, const Envelope_Format& format, std::vector<Warning>& warnings)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QSizeF(format.width_mm, format.height_mm), QPageSize::Millimeter,
        QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(QStringLiteral("信封 ") + qtext(request, request_key::recipient_name));
    QPainter painter(&writer);
    if (!painter.isActive())
        throw std::runtime_error("cannot start the envelope's PDF");
    painter.setRenderHint(QPainter::Antialiasing);
    const Page page {painter, writer.resolution() / 25.4, format,
        font_named(text_of(request, request_key::chinese_font)),
        font_named(text_of(request, request_key::latin_font)), size_ratio(request, warnings),
        warnings};
    if (format.vertical)
        lay_out_vertical(page, request);
    else
        lay_out_horizontal(page, request);
    if (!painter.end())
        throw std::runtime_error("cannot finish the envelope's PDF");
    return pdf;
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

Envelope make_envelope(const Record& request)
{
    const Envelope_Format format = envelope_format(text_of(request, request_key::format));
    const std::string folder = platform::local_path(text_of(request, request_key::folder));
    platform::make_output_folder(folder);
    Envelope envelope;
    if (any_han(request) && !chinese_fonts_installed())
        envelope.warnings.push_back({"找不到能印出中文（繁體中文）的字型，中文字會印成方框", true});
    const QByteArray pdf = pdf_of(request, format, envelope.warnings);
    platform::Unpublished_File file(folder);
    file.write(std::string_view(pdf.constData(), std::size_t(pdf.size())));
    const std::string stem = envelope_stem(text_of(request, request_key::recipient_name));
    for (int n = 1; n <= 10000; ++n) {
        envelope.name = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".pdf";
        if (file.publish(envelope.name)) {
            envelope.path = (folder.ends_with('/') ? folder : folder + "/") + envelope.name;
            return envelope;
        }
    }
    throw std::runtime_error("no free name for the envelope in " + folder);
}
