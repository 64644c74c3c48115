#include "envelope_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

bool is_latin(char32_t c)
{
    return c < 0x2E80;
}

namespace {

struct Glyph
{
    QString text;
    bool latin;
    double advance; // along the writing direction, in device pixels
};

// Scales a font so its pixel size is `size_px`.
QFont sized(QFont font, double size_px)
{
    font.setPixelSize(std::max(1, int(size_px + 0.5)));
    return font;
}

std::vector<Glyph> shape(const QString& text, const QFont& chinese, const QFont& latin,
    double size_px, Writing writing, QPaintDevice* device)
{
    const QFontMetricsF chinese_metrics(chinese, device);
    const QFontMetricsF latin_metrics(latin, device);
    std::vector<Glyph> glyphs;
    for (const char32_t c : text.toUcs4()) {
        const QString piece = QString::fromUcs4(&c, 1);
        const bool latin_glyph = is_latin(c);
        double advance = latin_glyph ? latin_metrics.horizontalAdvance(piece)
                                     : chinese_metrics.horizontalAdvance(piece);
        if (writing == Writing::vertical && !latin_glyph)
            advance = size_px * 1.05; // upright CJK cells stack at one em
        glyphs.push_back({piece, latin_glyph, advance});
    }
    return glyphs;
}

// Greedy breaking into lines (or columns) no longer than `length`.
std::vector<std::vector<Glyph>> break_into(const std::vector<Glyph>& glyphs, double length)
{
    std::vector<std::vector<Glyph>> lines(1);
    double used = 0;
    for (const Glyph& glyph : glyphs) {
        if (used + glyph.advance > length && !lines.back().empty()) {
            lines.emplace_back();
            used = 0;
        }
        lines.back().push_back(glyph);
        used += glyph.advance;
    }
    return lines;
}

double extent(const std::vector<Glyph>& line)
{
    double total = 0;
    for (const Glyph& glyph : line)
        total += glyph.advance;
    return total;
}

void draw_line(QPainter& painter, const std::vector<Glyph>& line, QPointF start, double size_px,
    const QFont& chinese, const QFont& latin, Writing writing)
{
    const QFontMetricsF chinese_metrics(chinese, painter.device());
    const QFontMetricsF latin_metrics(latin, painter.device());
    QPointF at = start;
    for (const Glyph& glyph : line) {
        painter.setFont(glyph.latin ? latin : chinese);
        const QFontMetricsF& metrics = glyph.latin ? latin_metrics : chinese_metrics;
        if (writing == Writing::horizontal) {
            painter.drawText(at + QPointF(0, size_px * 0.88), glyph.text);
            at.rx() += glyph.advance;
        } else if (!glyph.latin) {
            const double width = metrics.horizontalAdvance(glyph.text);
            painter.drawText(at + QPointF(-width / 2, size_px * 0.88), glyph.text);
            at.ry() += glyph.advance;
        } else {
            // Latin turned clockwise: its baseline runs down the column.
            painter.save();
            painter.translate(at + QPointF(-metrics.ascent() / 2 + metrics.descent() / 2, 0));
            painter.rotate(90);
            painter.drawText(QPointF(0, 0), glyph.text);
            painter.restore();
            at.ry() += glyph.advance;
        }
    }
}

struct Layout
{
    QFont chinese;
    QFont latin;
    double size_px = 0;
    double pitch = 0;
    std::vector<std::vector<Glyph>> lines;
};

Layout lay_out(const QString& text, const Text_Style& style, double size_px, double length,
    Writing writing, QPaintDevice* device)
{
    Layout layout;
    layout.size_px = size_px;
    layout.chinese = sized(style.chinese, size_px);
    layout.latin = sized(style.latin, size_px);
    layout.lines
        = break_into(shape(text, layout.chinese, layout.latin, size_px, writing, device), length);
    layout.pitch = size_px * (writing == Writing::horizontal ? 1.3 : 1.25);
    return layout;
}

double needed_breadth(const Layout& layout, std::size_t lines)
{
    return layout.pitch * double(lines - 1) + layout.size_px;
}

// Keeps the lines that fit across the block and ends the last one with "…".
void cut_to(Layout& layout, double length, double breadth, Writing writing, QPaintDevice* device)
{
    std::size_t kept = 1;
    while (kept < layout.lines.size() && needed_breadth(layout, kept + 1) <= breadth)
        ++kept;
    layout.lines.resize(kept);
    std::vector<Glyph> mark
        = shape(QStringLiteral("…"), layout.chinese, layout.latin, layout.size_px, writing, device);
    std::vector<Glyph>& last = layout.lines.back();
    while (!last.empty() && extent(last) + extent(mark) > length)
        last.pop_back();
    last.insert(last.end(), mark.begin(), mark.end());
}

} // namespace

Text_Fit set_text(QPainter& painter, double px_per_mm, const QString& text, const QRectF& block,
    Text_Style style, Writing writing, Align align)
{
    if (text.isEmpty())
        return {style.size_mm, false};
    const QRectF area(block.topLeft() * px_per_mm, block.size() * px_per_mm);
    const double length = writing == Writing::horizontal ? area.width() : area.height();
    const double breadth = writing == Writing::horizontal ? area.height() : area.width();
    const double smallest = smallest_text_mm * px_per_mm;
    double size_px = style.size_mm * px_per_mm;
    if (!std::isfinite(size_px) || size_px > breadth)
        size_px = std::max(breadth, smallest);
    size_px = std::max(size_px, smallest);
    // Shrink until the lines (or columns) fit across the block, or the smallest size is reached.
    Layout layout = lay_out(text, style, size_px, length, writing, painter.device());
    while (needed_breadth(layout, layout.lines.size()) > breadth && size_px > smallest) {
        size_px = std::max(size_px * 0.92, smallest);
        layout = lay_out(text, style, size_px, length, writing, painter.device());
    }
    Text_Fit fit {size_px / px_per_mm, needed_breadth(layout, layout.lines.size()) > breadth};
    if (fit.cut)
        cut_to(layout, length, breadth, writing, painter.device());
    painter.setPen(style.colour);
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const auto& line = layout.lines[i];
        const double offset = align == Align::centre ? (length - extent(line)) / 2 : 0;
        if (writing == Writing::horizontal) {
            draw_line(painter, line, {area.left() + offset, area.top() + layout.pitch * double(i)},
                size_px, layout.chinese, layout.latin, writing);
        } else {
            // Columns from the right edge leftwards, each centred on its own axis.
            const double x = area.right() - size_px / 2 - layout.pitch * double(i);
            draw_line(painter, line, {x, area.top() + offset}, size_px, layout.chinese,
                layout.latin, writing);
        }
    }
    return fit;
}
