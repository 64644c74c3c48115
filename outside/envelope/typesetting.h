#pragma once

// Text set in a block of the envelope: Chinese and Latin characters each in their own font,
// horizontal lines or vertical columns from the right (set as text_cells.h says), half a
// character apart, broken where a Chinese typesetter breaks (after a pause, before an opening
// bracket or quote, at a typed space, before a number; never inside a number, and never leaving
// one character alone in the last line), a line broken at the measure filling it and one broken
// at a chosen place set solid, and shrunk until the whole text fits the block. Text that does
// not fit even at the smallest size is cut, and the cut is marked with "……" ("︙︙" in columns).

#include "text_cells.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// The smallest size text is set at, in millimetres: about 3.4 points, still legible.
inline constexpr double smallest_text_mm = 1.2;

struct Text_Style
{
    QFont chinese;
    QFont latin;
    double size_mm = 5;
    QColor colour = Qt::black;
    double smallest_mm = smallest_text_mm; // never set smaller: what does not fit then is cut
    bool words_whole = false; // broken only at typed spaces, set solid, cut rather than torn
    bool draw = true; // else only measured
};

// Along each line from its start, or centred both along the lines and across the block.
enum class Align { start, centre };

struct Text_Fit
{
    double size_mm = 0; // what the text was set at
    bool cut = false; // part of it did not fit and is not printed
    double breadth_mm = 0; // across the lines (or columns) set
    QRectF area_mm; // what the lines (or columns) take on the page
    QStringList lines; // as set, vertical forms for their marks
};

// Draws `text` inside `block` (in millimetres). A size that is not finite, or too small or too
// large for the block, is brought within the smallest size and the block's breadth.
Text_Fit set_text(QPainter& painter, double px_per_mm, const QString& text, const QRectF& block,
    Text_Style style, Writing writing, Align align = Align::start);
