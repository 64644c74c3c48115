#pragma once

// Text set in a block of the envelope: Chinese and Latin characters each in their own font,
// horizontal lines or vertical columns from the right (set as text_cells.h says), broken where a
// Chinese typesetter breaks, and shrunk until the whole text fits the block. Text that does not
// fit even at the smallest size is cut, and the cut is marked with "…".

#include "text_cells.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

struct Text_Style
{
    QFont chinese;
    QFont latin;
    double size_mm = 5;
    QColor colour = Qt::black;
};

enum class Align { start, centre };

// The smallest size text is set at, in millimetres: about 3.4 points, still legible.
inline constexpr double smallest_text_mm = 1.2;

struct Text_Fit
{
    double size_mm = 0; // what the text was set at
    bool cut = false; // part of it did not fit and is not printed
};

// Draws `text` inside `block` (in millimetres). A size that is not finite, or too small or too
// large for the block, is brought within the smallest size and the block's breadth.
Text_Fit set_text(QPainter& painter, double px_per_mm, const QString& text, const QRectF& block,
    Text_Style style, Writing writing, Align align = Align::start);
