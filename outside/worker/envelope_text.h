#pragma once

// Text set in a block of the envelope: Chinese and Latin characters each in their own font,
// horizontal lines or vertical columns (right to left, CJK upright, Latin turned clockwise),
// wrapped at the block's edge and shrunk until the whole text fits the block.

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

enum class Writing { horizontal, vertical };
enum class Align { start, centre };

// Draws `text` inside `block` (in millimetres); returns the size in millimetres it was set at.
double set_text(QPainter& painter, double px_per_mm, const QString& text, const QRectF& block,
    Text_Style style, Writing writing, Align align = Align::start);

// Chinese text goes to the Chinese font; Latin letters, digits and punctuation to the Latin one.
bool is_latin(char32_t c);
