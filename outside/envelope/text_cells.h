#pragma once

// Text cut into the cells it is set in, as a Chinese typesetter sets it (W3C's "Requirements for
// Chinese Text Layout", with Taiwan's convention of punctuation in the middle of its cell):
// - In columns, CJK characters stand upright; punctuation and brackets take their vertical
//   presentation forms where the font itself has them (else ，、。！？ stand upright and the
//   others turn, as Unicode's vertical orientation gives them; never a mark from another face);
//   one or two half-width letters or digits standing alone ("3", "44", "B1", "2F") share one
//   upright cell side by side, longer numbers stand one digit a cell, set as evenly as the hanzi,
//   and a longer run of Latin text with its spaces, stops, commas and hyphens ("Dr. John A.
//   Smith", "No. 7, Sec. 5") turns clockwise as one phrase, a column ending only at its spaces.
// - In lines, ，、。：；！？ sit in the middle of their cells.
// - Each cell says whether a line may begin or end with it; a Latin word, a number with its unit
//   (號, 巷, 弄, 樓, 段, 室), 之 with the number it precedes ("3樓之2" all of it) and a range
//   between numbers ("09:00～18:00") are kept together.

#include <QFont>
#include <QString>
#include <vector>

class QPaintDevice;

enum class Writing { horizontal, vertical };

enum class Cell_Kind {
    upright, // as the font draws it
    turned, // Latin turned clockwise, down a column
    side_by_side, // one or two half-width digits across one upright cell of a column
    centred_mark, // a mark whose ink stands in the middle of its cell
    turned_mark, // a mark without a vertical form, turned clockwise, in the middle of its cell
};

enum class Break_Rule {
    anywhere,
    not_at_end, // opening brackets: never the last of a line or column
    not_at_start, // closing marks: never the first
};

struct Cell
{
    QString text; // what is drawn: a vertical form stands in for its mark
    Cell_Kind kind = Cell_Kind::upright;
    bool latin = false; // drawn in the Latin font
    double advance = 0; // along the writing direction, in device pixels
    Break_Rule rule = Break_Rule::anywhere;
    int word = -1; // the cells of one Latin word, or of one number with its unit, share a number
    bool space = false; // typed between words: the best place for a break, not shown there
    bool starts_number = false; // the next best place for a break is before it
};

struct Cell_Fonts
{
    QFont chinese;
    QFont latin;
    double size_px = 0;
};

std::vector<Cell> cells_of(
    const QString& text, const Cell_Fonts& fonts, Writing writing, QPaintDevice* device);

// The vertical presentation form of a mark (U+FE10 to U+FE19, U+FE30 to U+FE4F), or 0.
char32_t vertical_form(char32_t mark);

// Chinese text goes to the Chinese font; Latin letters, digits and punctuation to the Latin one.
bool is_latin(char32_t c);
