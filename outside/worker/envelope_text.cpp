#include "envelope_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Line = std::vector<Cell>;

// Scales a font so its pixel size is `size_px`.
QFont sized(QFont font, double size_px)
{
    font.setPixelSize(std::max(1, int(size_px + 0.5)));
    return font;
}

double extent(const Line& line)
{
    double total = 0;
    for (const Cell& cell : line)
        total += cell.advance;
    return total;
}

// Cells that a break may not part: a closing mark stays with what it closes, an opening mark
// with what it opens, a Latin word with itself.
std::vector<Line> units_of(const std::vector<Cell>& cells)
{
    std::vector<Line> units;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells[i];
        const bool joins = i > 0
            && (cell.rule == Break_Rule::not_at_start || cells[i - 1].rule == Break_Rule::not_at_end
                || (cell.word >= 0 && cell.word == cells[i - 1].word));
        if (!joins)
            units.emplace_back();
        units.back().push_back(cell);
    }
    return units;
}

// Greedy breaking into lines (or columns) no longer than `length`, between units; a unit longer
// than a whole line is broken between its cells.
std::vector<Line> break_into(const std::vector<Cell>& cells, double length)
{
    std::vector<Line> lines(1);
    double used = 0;
    auto place = [&](const Cell& cell) {
        if (used + cell.advance > length && !lines.back().empty()) {
            lines.emplace_back();
            used = 0;
        }
        lines.back().push_back(cell);
        used += cell.advance;
    };
    for (const Line& unit : units_of(cells)) {
        const double needed = extent(unit);
        if (used + needed > length && !lines.back().empty() && needed <= length) {
            lines.emplace_back();
            used = 0;
        }
        for (const Cell& cell : unit)
            place(cell);
    }
    return lines;
}

struct Layout
{
    QFont chinese;
    QFont latin;
    double size_px = 0;
    double pitch = 0;
    std::vector<Line> lines;
};

// The text's cells at one size, from which every other size follows by scale: shaping each
// character again at every size tried would cost more than the whole rest of the page.
struct Shaped
{
    std::vector<Cell> cells;
    double size_px;
};

Layout lay_out(
    const Shaped& shaped, const Text_Style& style, double size_px, double length, Writing writing)
{
    Layout layout;
    layout.size_px = size_px;
    layout.chinese = sized(style.chinese, size_px);
    layout.latin = sized(style.latin, size_px);
    std::vector<Cell> cells = shaped.cells;
    for (Cell& cell : cells)
        cell.advance *= size_px / shaped.size_px;
    layout.lines = break_into(cells, length);
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
    const std::vector<Cell> mark = cells_of(
        QStringLiteral("…"), {layout.chinese, layout.latin, layout.size_px}, writing, device);
    Line& last = layout.lines.back();
    while (!last.empty() && extent(last) + extent(mark) > length)
        last.pop_back();
    last.insert(last.end(), mark.begin(), mark.end());
}

// Draws `text` so that the middle of its ink lies on `centre`, turned clockwise if asked. The ink
// is the outline's (a metrics box would reach down to the baseline).
void draw_centred(
    QPainter& painter, const QFont& font, const QString& text, QPointF centre, bool turned)
{
    QPainterPath outline;
    outline.addText(0, 0, font, text);
    const QRectF ink = outline.boundingRect();
    painter.save();
    painter.translate(centre);
    if (turned)
        painter.rotate(90);
    painter.drawText(-ink.center(), text);
    painter.restore();
}

struct Pen
{
    QPainter& painter;
    const Layout& layout;
    QFontMetricsF chinese;
    QFontMetricsF latin;

    const QFont& font(const Cell& cell) const { return cell.latin ? layout.latin : layout.chinese; }
    void use(const Cell& cell) { painter.setFont(font(cell)); }
    const QFontMetricsF& metrics(const Cell& cell) const { return cell.latin ? latin : chinese; }

    // A line from its left end, the cell's top on `top`.
    void line(const Line& cells, QPointF at)
    {
        const double size = layout.size_px;
        for (const Cell& cell : cells) {
            use(cell);
            if (cell.kind == Cell_Kind::centred_mark)
                draw_centred(painter, font(cell), cell.text,
                    at + QPointF(cell.advance / 2, size / 2), false);
            else
                painter.drawText(at + QPointF(0, size * 0.88), cell.text);
            at.rx() += cell.advance;
        }
    }

    // A column down from its top, centred on its axis.
    void column(const Line& cells, QPointF at)
    {
        for (const Cell& cell : cells) {
            use(cell);
            const QPointF centre = at + QPointF(0, cell.advance / 2);
            switch (cell.kind) {
            case Cell_Kind::upright:
                upright(cell, at, centre);
                break;
            case Cell_Kind::side_by_side:
                side_by_side(cell, centre);
                break;
            case Cell_Kind::centred_mark:
            case Cell_Kind::turned_mark:
                draw_centred(
                    painter, font(cell), cell.text, centre, cell.kind == Cell_Kind::turned_mark);
                break;
            case Cell_Kind::turned:
                turned(cell, at);
                break;
            }
            at.ry() += cell.advance;
        }
    }

    void upright(const Cell& cell, QPointF top, QPointF centre)
    {
        const double width = metrics(cell).horizontalAdvance(cell.text);
        // A digit stands in the middle of its cell; a CJK character on the cell's baseline.
        const double baseline = cell.latin ? centre.y() + metrics(cell).capHeight() / 2
                                           : top.y() + layout.size_px * 0.88;
        painter.drawText(QPointF(top.x() - width / 2, baseline), cell.text);
    }

    // One or two digits across the cell, pressed together when they are wider than it.
    void side_by_side(const Cell& cell, QPointF centre)
    {
        const double width = latin.horizontalAdvance(cell.text);
        const double room = layout.size_px * 0.95;
        painter.save();
        painter.translate(centre.x(), centre.y() + latin.capHeight() / 2);
        if (width > room)
            painter.scale(room / width, 1);
        painter.drawText(QPointF(-width / 2, 0), cell.text);
        painter.restore();
    }

    // Latin turned clockwise: its baseline runs down the column.
    void turned(const Cell& cell, QPointF top)
    {
        painter.save();
        painter.translate(top + QPointF(-latin.ascent() / 2 + latin.descent() / 2, 0));
        painter.rotate(90);
        painter.drawText(QPointF(0, 0), cell.text);
        painter.restore();
    }
};

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
    const Shaped shaped {
        cells_of(text, {sized(style.chinese, size_px), sized(style.latin, size_px), size_px},
            writing, painter.device()),
        size_px};
    Layout layout = lay_out(shaped, style, size_px, length, writing);
    while (needed_breadth(layout, layout.lines.size()) > breadth && size_px > smallest) {
        size_px = std::max(size_px * 0.92, smallest);
        layout = lay_out(shaped, style, size_px, length, writing);
    }
    Text_Fit fit {size_px / px_per_mm, needed_breadth(layout, layout.lines.size()) > breadth};
    if (fit.cut)
        cut_to(layout, length, breadth, writing, painter.device());
    painter.setPen(style.colour);
    Pen pen {painter, layout, QFontMetricsF(layout.chinese, painter.device()),
        QFontMetricsF(layout.latin, painter.device())};
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const Line& line = layout.lines[i];
        const double offset = align == Align::centre ? (length - extent(line)) / 2 : 0;
        if (writing == Writing::horizontal) {
            pen.line(line, {area.left() + offset, area.top() + layout.pitch * double(i)});
        } else {
            // Columns from the right edge leftwards, each centred on its own axis.
            const double x = area.right() - size_px / 2 - layout.pitch * double(i);
            pen.column(line, {x, area.top() + offset});
        }
    }
    return fit;
}
