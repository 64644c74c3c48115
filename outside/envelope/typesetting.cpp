#include "typesetting.h"

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
    font.setPixelSize(std::max(1, int(std::lround(size_px))));
    return font;
}

double extent(const Line& line)
{
    double total = 0;
    for (const Cell& cell : line)
        total += cell.advance;
    return total;
}

// Whether more space may go between these two cells: not inside a word or a number.
bool spreads(const Cell& before, const Cell& after)
{
    return before.word < 0 || before.word != after.word;
}

// Cells that a break may not part: a closing mark stays with what it closes, an opening mark
// with what it opens, a Latin word or a number (with its unit) with itself.
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

bool is_space(const Line& unit)
{
    return unit.size() == 1 && unit.front().space;
}

// How good a break before unit `k` is, best first: after a pause (，、。), before an opening
// bracket or quote, at a typed space, before a number.
enum class Break_Place { after_pause, before_opening, space, number, anywhere };

bool ends_with_pause(const Line& unit)
{
    static const QString pauses
        = QStringLiteral("，、。；！？\uFE10\uFE11\uFE12\uFE14\uFE15\uFE16");
    return !unit.empty() && unit.back().text.size() == 1 && pauses.contains(unit.back().text);
}

Break_Place place_before(const std::vector<Line>& units, std::size_t k)
{
    // A Latin comma pauses too, with the space after it ("Xinyi Rd., Xinyi Dist.").
    const bool after_comma = is_space(units[k - 1]) && k >= 2 && !units[k - 2].empty()
        && units[k - 2].back().text == u",";
    if (ends_with_pause(units[k - 1]) || after_comma)
        return Break_Place::after_pause;
    if (units[k].front().rule == Break_Rule::not_at_end)
        return Break_Place::before_opening;
    if (is_space(units[k]) || is_space(units[k - 1]))
        return Break_Place::space;
    return units[k].front().starts_number ? Break_Place::number : Break_Place::anywhere;
}

// Units longer than a whole line are parted between their cells: nothing else lets them be set.
std::vector<Line> fitting_units(const std::vector<Cell>& cells, double length)
{
    std::vector<Line> units;
    for (Line& unit : units_of(cells)) {
        if (extent(unit) <= length) {
            units.push_back(std::move(unit));
            continue;
        }
        for (const Cell& cell : unit)
            units.push_back({cell});
    }
    return units;
}

struct Broken
{
    std::vector<Line> lines;
    std::vector<bool> at_measure; // the line ended where the next unit no longer fit, or nearly
    bool inside_words = false; // a break fell elsewhere than at a typed space
    std::size_t first_torn = 0; // the first line so ended, when `inside_words`
};

// How full a line must be for a break at a better place to be taken rather than the break just
// before the unit that does not fit.
constexpr double full_for_word_break = 0.35;
constexpr double full_for_number = 0.8;

// Lines (or columns) no longer than `length`. Where the next unit does not fit, the line ends at
// the best place in it (after a pause, before an opening mark, at a typed space, before a
// number), as long as that leaves it full enough; else just before that unit. With
// `words_whole`, only a typed space will do.
Broken break_into(const std::vector<Cell>& cells, double length, bool words_whole)
{
    const std::vector<Line> units = fitting_units(cells, length);
    Broken broken;
    std::size_t start = 0;
    while (start < units.size()) {
        while (start < units.size() && is_space(units[start]))
            ++start;
        if (start == units.size())
            break;
        std::size_t end = start;
        double used = 0;
        while (end < units.size() && (end == start || used + extent(units[end]) <= length))
            used += extent(units[end++]);
        std::size_t cut = end;
        bool found = false;
        bool fills = end < units.size(); // broken at the measure, or nearly: before a number
        if (end < units.size()) {
            for (const Break_Place wanted : {Break_Place::after_pause, Break_Place::before_opening,
                     Break_Place::space, Break_Place::number}) {
                if (words_whole && wanted != Break_Place::space)
                    continue;
                const double full = length
                    * (wanted == Break_Place::number ? full_for_number : full_for_word_break);
                double before = used; // the line's extent when it ends before unit k
                for (std::size_t k = end; k > start && !found; --k) {
                    if (place_before(units, k) == wanted && before >= full) {
                        cut = k;
                        found = true;
                    }
                    before -= extent(units[k - 1]);
                }
                if (found) {
                    fills = wanted == Break_Place::number;
                    break;
                }
            }
            if (words_whole && !found && !broken.inside_words) {
                broken.inside_words = true;
                broken.first_torn = broken.lines.size();
            }
        }
        broken.at_measure.push_back(fills);
        Line line;
        for (std::size_t k = start; k < cut; ++k)
            line.insert(line.end(), units[k].begin(), units[k].end());
        while (!line.empty() && line.back().space)
            line.pop_back();
        broken.lines.push_back(std::move(line));
        start = cut;
    }
    if (broken.lines.empty()) {
        broken.lines.emplace_back();
        broken.at_measure.push_back(false);
    }
    return broken;
}

// A last line of one character alone takes the last unit of the line before it.
void keep_company(std::vector<Line>& lines, double length)
{
    if (lines.size() < 2 || lines.back().size() != 1)
        return;
    std::vector<Line> units = units_of(lines[lines.size() - 2]);
    if (units.size() < 2 || extent(units.back()) + extent(lines.back()) > length)
        return;
    Line& before = lines[lines.size() - 2];
    before.resize(before.size() - units.back().size());
    while (!before.empty() && before.back().space)
        before.pop_back();
    lines.back().insert(lines.back().begin(), units.back().begin(), units.back().end());
}

struct Layout
{
    QFont chinese;
    QFont latin;
    double size_px = 0;
    double pitch = 0;
    std::vector<Line> lines;
    std::vector<bool> at_measure;
    bool inside_words = false;
    std::size_t first_torn = 0;
};

// The text's cells at one size, from which every other size follows by scale: shaping each
// character again at every size tried would cost more than the whole rest of the page.
struct Shaped
{
    std::vector<Cell> cells;
    double size_px;
};

// Lines (or columns) half a character apart.
constexpr double line_pitch = 1.5;

Layout lay_out(
    const Shaped& shaped, const Text_Style& style, double size_px, double length, bool words_whole)
{
    Layout layout;
    layout.size_px = size_px;
    layout.chinese = sized(style.chinese, size_px);
    layout.latin = sized(style.latin, size_px);
    std::vector<Cell> cells = shaped.cells;
    for (Cell& cell : cells)
        cell.advance *= size_px / shaped.size_px;
    Broken broken = break_into(cells, length, words_whole);
    if (!words_whole) // a name parts only at its spaces
        keep_company(broken.lines, length);
    layout.lines = std::move(broken.lines);
    layout.at_measure = std::move(broken.at_measure);
    layout.inside_words = broken.inside_words;
    layout.first_torn = broken.first_torn;
    layout.pitch = size_px * line_pitch;
    return layout;
}

double needed_breadth(const Layout& layout, std::size_t lines)
{
    return layout.pitch * double(lines - 1) + layout.size_px;
}

// Keeps the lines that fit across the block and ends the last one with "……".
void cut_to(Layout& layout, double length, double breadth, Writing writing, QPaintDevice* device)
{
    std::size_t kept = 1;
    while (kept < layout.lines.size() && needed_breadth(layout, kept + 1) <= breadth)
        ++kept;
    layout.lines.resize(kept);
    layout.at_measure.resize(kept);
    const std::vector<Cell> mark = cells_of(
        QStringLiteral("……"), {layout.chinese, layout.latin, layout.size_px}, writing, device);
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

    // A line from its left end, the cell's top on `top`, `spread` more between its cells.
    void line(const Line& cells, QPointF at, double spread)
    {
        const double size = layout.size_px;
        for (const Cell& cell : cells) {
            use(cell);
            if (cell.kind == Cell_Kind::centred_mark)
                draw_centred(painter, font(cell), cell.text,
                    at + QPointF(cell.advance / 2, size / 2), false);
            else
                painter.drawText(at + QPointF(0, size * 0.88), cell.text);
            at.rx() += cell.advance
                + (&cell != &cells.back() && spreads(cell, *(&cell + 1)) ? spread : 0);
        }
    }

    // A column down from its top, centred on its axis, `spread` more between its cells.
    void column(const Line& cells, QPointF at, double spread)
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
            at.ry() += cell.advance
                + (&cell != &cells.back() && spreads(cell, *(&cell + 1)) ? spread : 0);
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

QString line_text(const Line& line)
{
    QString text;
    for (const Cell& cell : line)
        text += cell.text;
    return text;
}

} // namespace

namespace {

// The largest size from `size_px` down to `smallest` (by steps) at which the text fits.
Layout fitted(const Shaped& shaped, const Text_Style& style, double size_px, double smallest,
    double length, double breadth, bool words_whole)
{
    Layout layout = lay_out(shaped, style, size_px, length, words_whole);
    auto fits = [&] {
        return needed_breadth(layout, layout.lines.size()) <= breadth && !layout.inside_words;
    };
    while (!fits() && size_px > smallest) {
        size_px = std::max(size_px * 0.92, smallest);
        layout = lay_out(shaped, style, size_px, length, words_whole);
    }
    return layout;
}

std::size_t gaps_in(const Line& line)
{
    std::size_t gaps = 0;
    for (std::size_t i = 1; i < line.size(); ++i)
        gaps += spreads(line[i - 1], line[i]) ? 1 : 0;
    return gaps;
}

// A line that ended at the measure fills it: what is missing is shared out between its units,
// up to a quarter of a character between two. A line ended at a chosen break (a pause, a space)
// and the last line are set solid, and so are names.
double spread_of(const Line& line, bool at_measure, double length, double size_px)
{
    const double missing = length - extent(line);
    const std::size_t gaps = gaps_in(line);
    if (!at_measure || gaps == 0 || missing <= 0)
        return 0;
    return std::min(missing / double(gaps), size_px / 4);
}

// A name that would be torn inside a typed part is cut at the line where that happens instead.
void cut_before_tear(Layout& layout)
{
    layout.lines.resize(std::min(layout.lines.size(), layout.first_torn + 1));
    layout.at_measure.resize(layout.lines.size());
}

} // namespace

Text_Fit set_text(QPainter& painter, double px_per_mm, const QString& text, const QRectF& block,
    Text_Style style, Writing writing, Align align)
{
    if (text.isEmpty())
        return {style.size_mm, false, 0, {}, {}};
    const QRectF area(block.topLeft() * px_per_mm, block.size() * px_per_mm);
    const double length = writing == Writing::horizontal ? area.width() : area.height();
    const double breadth = writing == Writing::horizontal ? area.height() : area.width();
    const double smallest = std::min(std::max(style.smallest_mm, 0.1) * px_per_mm, breadth);
    double size_px = style.size_mm * px_per_mm;
    if (!std::isfinite(size_px) || size_px > breadth)
        size_px = breadth;
    size_px = std::max(size_px, smallest);
    const Shaped shaped {
        cells_of(text, {sized(style.chinese, size_px), sized(style.latin, size_px), size_px},
            writing, painter.device()),
        size_px};
    // Shrink until the lines (or columns) fit across the block, or the smallest size is reached;
    // a name whole between its typed spaces, cut rather than torn.
    Layout layout = fitted(shaped, style, size_px, smallest, length, breadth, style.words_whole);
    Text_Fit fit {layout.size_px / px_per_mm, needed_breadth(layout, layout.lines.size()) > breadth,
        0, {}, {}};
    if (style.words_whole && layout.inside_words) {
        cut_before_tear(layout);
        fit.cut = true;
    }
    if (fit.cut)
        cut_to(layout, length, breadth, writing, painter.device());
    const double used = needed_breadth(layout, layout.lines.size());
    fit.breadth_mm = used / px_per_mm;
    painter.setPen(style.colour);
    Pen pen {painter, layout, QFontMetricsF(layout.chinese, painter.device()),
        QFontMetricsF(layout.latin, painter.device())};
    const double across = align == Align::centre ? (breadth - used) / 2 : 0;
    QRectF set; // what the lines take, in the block's own directions
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const Line& line = layout.lines[i];
        const double offset = align == Align::centre ? (length - extent(line)) / 2 : 0;
        const double spread = align == Align::centre || style.words_whole
            ? 0
            : spread_of(line, layout.at_measure[i], length, layout.size_px);
        const double along = extent(line) + spread * double(gaps_in(line));
        set |= QRectF(offset, across + layout.pitch * double(i), along, layout.size_px);
        fit.lines << line_text(line);
        if (!style.draw)
            continue;
        if (writing == Writing::horizontal) {
            pen.line(line, {area.left() + offset, area.top() + across + layout.pitch * double(i)},
                spread);
        } else {
            // Columns from the right edge leftwards, each centred on its own axis.
            const double x = area.right() - across - layout.size_px / 2 - layout.pitch * double(i);
            pen.column(line, {x, area.top() + offset}, spread);
        }
    }
    const QRectF taken = writing == Writing::horizontal
        ? set.translated(area.topLeft())
        : QRectF(area.right() - set.bottom(), area.top() + set.left(), set.height(), set.width());
    fit.area_mm = QRectF(taken.topLeft() / px_per_mm, taken.size() / px_per_mm);
    return fit;
}
