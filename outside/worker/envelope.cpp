#include "envelope.h"

#include "envelope_text.h"
#include "file_names.h"
#include "platform.h"
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

// A postal code as Taiwan's post writes it: 3, 5 or 6 digits, half- or full-width.
std::optional<QString> postal_digits(const QString& code)
{
    QString digits;
    for (const char32_t c : code.toUcs4()) {
        if (c >= U'0' && c <= U'9')
            digits += QChar(char16_t(c));
        else if (c >= U'０' && c <= U'９')
            digits += QChar(char16_t(U'0' + (c - U'０')));
        else
            return std::nullopt;
    }
    if (digits.size() != 3 && digits.size() != 5 && digits.size() != 6)
        return std::nullopt;
    return digits;
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

    // Text of the field `label`, at `size_mm` times the ratio; a cut is worth a warning.
    void text(const char* label, const QString& content, const QRectF& block, double size_mm,
        Writing writing, Align align = Align::start) const
    {
        const Text_Fit fit = set_text(painter, px_per_mm, content, block,
            {chinese, latin, size_mm * ratio, Qt::black}, writing, align);
        if (fit.cut)
            warnings.push_back(
                {std::string("「") + label + "」太長，放不下的部分沒有印出，以「…」標示"});
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
    // Anything else that was typed is printed as it is, above the boxes or beside them.
    void postal_boxes(const QString& code, double x, double y, double box_w, double box_h,
        bool typed_above = false) const
    {
        const QString digits = postal_digits(code).value_or(QString());
        const double step = box_w + box_w * 0.12;
        const double width = step * 6 + box_w * 0.45;
        if (digits.isEmpty() && !code.isEmpty()) {
            const QRectF typed = typed_above ? QRectF(x, y - box_h * 0.85, width, box_h * 0.7)
                                             : QRectF(x + width + 1, y, box_w * 6, box_h);
            set_text(painter, px_per_mm, code, typed, {chinese, latin, box_h * 0.6, Qt::black},
                Writing::horizontal);
        }
        for (int i = 0; i < 6; ++i) {
            const double left = x + step * i + (i >= 3 ? box_w * 0.45 : 0);
            frame({left, y, box_w, box_h});
            // The digits fit their boxes, whatever the ratio.
            if (i < digits.size())
                set_text(painter, px_per_mm, digits.mid(i, 1),
                    {left, y + (box_h - box_w * 0.8) / 2, box_w, box_h},
                    {chinese, latin, box_w * 0.8, Qt::black}, Writing::horizontal, Align::centre);
        }
    }
};

QString recipient_name(const Record& request)
{
    const QString name = qtext(request, request_key::recipient_name);
    return name.isEmpty() ? name : name + QStringLiteral(" 收");
}

void lay_out_vertical(const Page& page, const Record& request)
{
    const double W = page.format.width_mm;
    const double H = page.format.height_mm;
    const bool has_recipient = !text_of(request, request_key::recipient_name).empty()
        || !text_of(request, request_key::recipient_address).empty()
        || !text_of(request, request_key::recipient_postal_code).empty();
    if (has_recipient) {
        page.postal_boxes(
            qtext(request, request_key::recipient_postal_code), W - 8 - 45.5, 10, 6.5, 8, true);
        page.text(request_key::recipient_address, qtext(request, request_key::recipient_address),
            {W - 8 - 26, 24, 26, H - 60}, 6.5, Writing::vertical);
        const QRectF name_frame(W / 2 - 15, 30, 26, H - 62);
        page.frame(name_frame);
        page.text(request_key::recipient_name, recipient_name(request),
            name_frame.adjusted(2, 4, -2, -4), 14, Writing::vertical, Align::centre);
    }
    page.text(request_key::sender_address, qtext(request, request_key::sender_address),
        {21, H * 0.52, 16, H * 0.37}, 4, Writing::vertical);
    page.text(request_key::sender_name, qtext(request, request_key::sender_name),
        {8, H * 0.52, 12, H * 0.37}, 5, Writing::vertical);
    page.postal_boxes(qtext(request, request_key::sender_postal_code), 8, H - 14, 4.5, 5.5);
}

void lay_out_horizontal(const Page& page, const Record& request)
{
    const double W = page.format.width_mm;
    const double H = page.format.height_mm;
    page.postal_boxes(qtext(request, request_key::sender_postal_code), 10, 9, 4.5, 5.5);
    page.text(request_key::sender_address, qtext(request, request_key::sender_address),
        {10, 17, W * 0.45 - 10, 11}, 4, Writing::horizontal);
    page.text(request_key::sender_name, qtext(request, request_key::sender_name),
        {10, 29, W * 0.45 - 10, 7}, 5, Writing::horizontal);
    const double x = W * 0.38;
    const double top = H * 0.42;
    if (!text_of(request, request_key::recipient_postal_code).empty())
        page.postal_boxes(qtext(request, request_key::recipient_postal_code), x, top, 6.5, 8);
    page.text(request_key::recipient_address, qtext(request, request_key::recipient_address),
        {x, top + 11, W - 12 - x, 19}, 6, Writing::horizontal);
    page.text(request_key::recipient_name, recipient_name(request),
        {x, top + 31, W - 12 - x, H - top - 36}, 10, Writing::horizontal);
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
