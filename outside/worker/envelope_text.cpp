#include "envelope_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
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

} // namespace

double set_text(QPainter& painter, double px_per_mm, const QString& text, const QRectF& block,
    Text_Style style, Writing writing, Align align)
{
    if (text.isEmpty())
        return style.size_mm;
    const QRectF area(block.topLeft() * px_per_mm, block.size() * px_per_mm);
    const double length = writing == Writing::horizontal ? area.width() : area.height();
    const double breadth = writing == Writing::horizontal ? area.height() : area.width();
    double size_px = style.size_mm * px_per_mm;
    QFont chinese;
    QFont latin;
    std::vector<std::vector<Glyph>> lines;
    double pitch = 0;
    // Shrink until the lines (or columns) fit across the block.
    for (;;) {
        chinese = sized(style.chinese, size_px);
        latin = sized(style.latin, size_px);
        const auto glyphs = shape(text, chinese, latin, size_px, writing, painter.device());
        lines = break_into(glyphs, length);
        pitch = size_px * (writing == Writing::horizontal ? 1.3 : 1.25);
        const double needed = pitch * double(lines.size() - 1) + size_px;
        if (needed <= breadth || size_px <= px_per_mm * 1.2)
            break;
        size_px *= 0.92;
    }
    painter.setPen(style.colour);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double offset = align == Align::centre ? (length - extent(lines[i])) / 2 : 0;
        if (writing == Writing::horizontal) {
            draw_line(painter, lines[i], {area.left() + offset, area.top() + pitch * double(i)},
                size_px, chinese, latin, writing);
        } else {
            // Columns from the right edge leftwards, each centred on its own axis.
            const double x = area.right() - size_px / 2 - pitch * double(i);
            draw_line(
                painter, lines[i], {x, area.top() + offset}, size_px, chinese, latin, writing);
        }
    }
    return size_px / px_per_mm;
}
