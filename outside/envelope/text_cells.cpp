#include "text_cells.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QList>
#include <QRawFont>
#include <algorithm>
#include <iterator>
#include <map>
#include <mutex>
#include <string_view>

namespace {

struct Mark
{
    char32_t horizontal;
    char32_t vertical;
    bool upright; // without a vertical form it stands upright; else it turns
    Break_Rule rule;
    bool centred_in_lines;
};

// The marks that change in columns, with Unicode's vertical orientation (UTR #50: Tu upright,
// Tr turned) for a font without the vertical form.
constexpr Mark marks[] = {
    {U'，', U'\uFE10', true, Break_Rule::not_at_start, true},
    {U'、', U'\uFE11', true, Break_Rule::not_at_start, true},
    {U'。', U'\uFE12', true, Break_Rule::not_at_start, true},
    {U'：', U'\uFE13', false, Break_Rule::not_at_start, true},
    {U'；', U'\uFE14', false, Break_Rule::not_at_start, true},
    {U'！', U'\uFE15', true, Break_Rule::not_at_start, true},
    {U'？', U'\uFE16', true, Break_Rule::not_at_start, true},
    {U'…', U'\uFE19', false, Break_Rule::anywhere, false},
    {U'—', U'\uFE31', false, Break_Rule::anywhere, false},
    {U'～', 0, false, Break_Rule::anywhere, false}, // a range "3～5樓": turned in columns
    {U'~', 0, false, Break_Rule::anywhere, false},
    {U'（', U'\uFE35', false, Break_Rule::not_at_end, false},
    {U'）', U'\uFE36', false, Break_Rule::not_at_start, false},
    {U'〔', U'\uFE39', false, Break_Rule::not_at_end, false},
    {U'〕', U'\uFE3A', false, Break_Rule::not_at_start, false},
    {U'【', U'\uFE3B', false, Break_Rule::not_at_end, false},
    {U'】', U'\uFE3C', false, Break_Rule::not_at_start, false},
    {U'《', U'\uFE3D', false, Break_Rule::not_at_end, false},
    {U'》', U'\uFE3E', false, Break_Rule::not_at_start, false},
    {U'〈', U'\uFE3F', false, Break_Rule::not_at_end, false},
    {U'〉', U'\uFE40', false, Break_Rule::not_at_start, false},
    {U'「', U'\uFE41', false, Break_Rule::not_at_end, false},
    {U'」', U'\uFE42', false, Break_Rule::not_at_start, false},
    {U'『', U'\uFE43', false, Break_Rule::not_at_end, false},
    {U'』', U'\uFE44', false, Break_Rule::not_at_start, false},
};

// A mark by either of its forms.
const Mark* mark_of(char32_t c)
{
    const auto* const found
        = std::find_if(std::begin(marks), std::end(marks), [c](const Mark& mark) {
              return mark.horizontal == c || (mark.vertical != 0 && mark.vertical == c);
          });
    return found == std::end(marks) ? nullptr : found;
}

bool is_digit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool is_letter(char32_t c)
{
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
}

bool is_alphanumeric(char32_t c)
{
    return is_digit(c) || is_letter(c);
}

bool is_typed_space(char32_t c)
{
    return c == U' ' || c == U'\u3000' || c == U'\t';
}

// What a number of an address is counted in: it stays with its number.
bool is_unit(char32_t c)
{
    return c == U'號' || c == U'巷' || c == U'弄' || c == U'樓' || c == U'段' || c == U'室'
        || c == U'鄰';
}

QString text_of(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// Whether the font itself has the character: a mark from another face (a Kai face's, say) is
// never taken in its place. Asked once per font and character.
bool has_glyph(const QFont& font, char32_t c)
{
    static std::mutex mutex;
    static std::map<std::pair<QString, char32_t>, bool> known;
    const std::pair key {font.families().join(u','), c};
    std::lock_guard lock(mutex);
    const auto found = known.find(key);
    if (found != known.end())
        return found->second;
    return known[key]
        = QRawFont::fromFont(font, QFontDatabase::TraditionalChinese).supportsCharacter(c);
}

class Cutter
{
public:
    Cutter(const Cell_Fonts& fonts, Writing writing, QPaintDevice* device)
        : fonts_(fonts)
        , writing_(writing)
        , chinese_(fonts.chinese, device)
        , latin_(fonts.latin, device)
    { }

    std::vector<Cell> cut(const std::u32string& text)
    {
        for (std::size_t at = 0; at < text.size();) {
            if (is_typed_space(text[at]))
                space(text[at++]);
            else if (is_alphanumeric(text[at]))
                at = vertical() ? phrase(text, at) : run(text, at);
            else
                one(text, at++);
        }
        return std::move(cells_);
    }

private:
    double em() const { return fonts_.size_px * 1.05; } // upright cells stack at one em
    bool vertical() const { return writing_ == Writing::vertical; }

    void space(char32_t c)
    {
        Cell cell {text_of(c), Cell_Kind::upright, c == U' ', 0};
        cell.advance
            = vertical() ? em() / 2 : (cell.latin ? latin_ : chinese_).horizontalAdvance(cell.text);
        cell.space = true;
        number_ = -1;
        cells_.push_back(cell);
    }

    // Letters and digits, with the spaces, hyphens, dots and colons between them ("Taipei 101",
    // "Wei-Lun", "3.5", "09:00"), each as Latin in a line.
    std::size_t run(const std::u32string& text, std::size_t at)
    {
        std::size_t end = at + 1;
        while (end < text.size()) {
            const bool joined
                = std::u32string_view(U" -./':").find(text[end]) != std::u32string_view::npos
                && end + 1 < text.size() && is_alphanumeric(text[end + 1]);
            if (!is_alphanumeric(text[end]) && !joined)
                break;
            end += joined ? 2 : 1;
        }
        in_line(text.substr(at, end - at));
        return end;
    }

    // In columns, a run of Latin text with its spaces, stops, commas, hyphens and digits ("Dr.
    // John A. Smith", "No. 7, Sec. 5, Xinyi Rd.") turns as one phrase; one or two characters
    // alone ("3", "B1", "2F") stand upright side by side, and longer numbers a digit a cell.
    std::size_t phrase(const std::u32string& text, std::size_t at)
    {
        const auto inside = [](char32_t c) {
            return is_alphanumeric(c)
                || std::u32string_view(U" .,-'/&#:").find(c) != std::u32string_view::npos;
        };
        std::size_t end = at;
        while (end < text.size() && inside(text[end]))
            ++end;
        while (end > at + 1 && text[end - 1] == U' ')
            --end;
        const std::u32string piece = text.substr(at, end - at);
        const bool digits = std::all_of(piece.begin(), piece.end(), is_digit);
        if (piece.size() <= 2 && std::all_of(piece.begin(), piece.end(), is_alphanumeric))
            add({QString::fromUcs4(piece.data(), qsizetype(piece.size())), Cell_Kind::side_by_side,
                    true, em()},
                digits, true);
        else if (digits)
            number_in_column(piece);
        else
            turned(piece);
        return end;
    }

    // The word a run starts: the number's it continues across a range ("09:00～18:00"), else
    // a new one.
    int new_word()
    {
        const int word = continues_ >= 0 ? continues_ : next_word_++;
        continues_ = -1;
        return word;
    }

    void in_line(const std::u32string& piece)
    {
        int word = new_word();
        bool first = true;
        for (const char32_t c : piece) {
            if (c == U' ') {
                space(c);
                first = true;
                continue;
            }
            const QString glyph = text_of(c);
            Cell cell {glyph, Cell_Kind::upright, true, latin_.horizontalAdvance(glyph)};
            cell.word = word;
            cell.starts_number = first && is_digit(c);
            word = add_glued(cell, first && is_digit(c));
            first = false;
        }
        number_ = is_digit(piece.back()) ? word : -1;
    }

    // A number of three digits or more, a digit a cell: each cell as tall as the digit's ink and
    // the gap the hanzi have between them, so that the number is set as evenly as they are.
    void number_in_column(const std::u32string& digits)
    {
        const double advance = latin_.capHeight() + (em() - fonts_.size_px * 0.92);
        int word = new_word();
        for (std::size_t i = 0; i < digits.size(); ++i) {
            Cell cell {text_of(digits[i]), Cell_Kind::upright, true, advance};
            cell.word = word;
            cell.starts_number = i == 0;
            word = add_glued(cell, i == 0);
        }
        number_ = word;
    }

    // Latin turned clockwise as one phrase down the column; a column may end at its spaces.
    void turned(const std::u32string& piece)
    {
        int word = new_word();
        for (const char32_t c : piece) {
            const QString glyph = text_of(c);
            Cell cell {glyph, Cell_Kind::turned, true, latin_.horizontalAdvance(glyph)};
            if (c == U' ') {
                cell.space = true;
                word = next_word_++;
            } else {
                cell.word = word;
            }
            cells_.push_back(cell);
        }
        number_ = is_digit(piece.back()) ? word : -1;
    }

    void one(const std::u32string& text, std::size_t at)
    {
        const char32_t c = text[at];
        // A range between numbers ("09:00～18:00", "3～5樓") is not parted.
        const bool range = number_ >= 0 && at + 1 < text.size() && is_digit(text[at + 1])
            && std::u32string_view(U"～~－-–").find(c) != std::u32string_view::npos;
        const int number = number_;
        if (const Mark* mark = mark_of(c)) {
            add_mark(*mark, c);
            if (range) {
                cells_.back().word = number;
                continues_ = number;
            }
            return;
        }
        const QString piece = text_of(c);
        if (!is_latin(c)) {
            Cell cell {piece, Cell_Kind::upright, false,
                vertical() ? em() : chinese_.horizontalAdvance(piece)};
            // A number's unit stays with it.
            if (is_unit(c) && number_ >= 0)
                cell.word = number_;
            number_ = -1;
            cells_.push_back(cell);
            return;
        }
        number_ = -1;
        add({piece, vertical() ? Cell_Kind::turned : Cell_Kind::upright, true,
                latin_.horizontalAdvance(piece)},
            false, false);
        // Latin stops and brackets keep to their words as the Chinese ones do.
        if (std::u32string_view(U".,;:!?)]}").find(c) != std::u32string_view::npos)
            cells_.back().rule = Break_Rule::not_at_start;
        else if (std::u32string_view(U"([{").find(c) != std::u32string_view::npos)
            cells_.back().rule = Break_Rule::not_at_end;
        if (range) {
            cells_.back().word = number;
            continues_ = number;
        }
    }

    // A cell that starts a number: 之 just before it goes with it, and so does the place of the
    // break before the number; after a number's unit ("3樓之2", "5號之1") all of it is one. Says
    // the word the number's cells share.
    int add_glued(Cell cell, bool starts_number)
    {
        const std::size_t n = cells_.size();
        if (starts_number && n > 0 && cells_.back().text == u"之") {
            const bool after_unit
                = n > 1 && cells_[n - 2].word >= 0 && is_unit(cells_[n - 2].text.front().unicode());
            if (after_unit)
                cell.word = cells_[n - 2].word;
            cells_.back().word = cell.word;
            cells_.back().starts_number = !after_unit;
            cell.starts_number = false;
        }
        const int word = cell.word;
        cells_.push_back(std::move(cell));
        return word;
    }

    // One cell of its own: a side-by-side pair is a number (or a word) all by itself.
    void add(Cell cell, bool number, bool whole)
    {
        cell.word = whole ? new_word() : -1;
        cell.starts_number = number;
        if (number) {
            add_glued(cell, true);
            number_ = cells_.back().word;
        } else {
            number_ = -1;
            cells_.push_back(std::move(cell));
        }
    }

    void add_mark(const Mark& mark, char32_t typed)
    {
        number_ = -1;
        Cell cell;
        cell.rule = mark.rule;
        if (vertical()) {
            cell.advance = em();
            const bool has_form = mark.vertical != 0 && has_glyph(fonts_.chinese, mark.vertical);
            cell.text = text_of(has_form ? mark.vertical : mark.horizontal);
            cell.kind = has_form || mark.upright ? Cell_Kind::centred_mark : Cell_Kind::turned_mark;
        } else {
            cell.text = text_of(typed == mark.vertical ? mark.horizontal : typed);
            cell.kind = mark.centred_in_lines ? Cell_Kind::centred_mark : Cell_Kind::upright;
            cell.latin = is_latin(typed);
            cell.advance = (cell.latin ? latin_ : chinese_).horizontalAdvance(cell.text);
        }
        cells_.push_back(cell);
    }

    const Cell_Fonts& fonts_;
    Writing writing_;
    QFontMetricsF chinese_;
    QFontMetricsF latin_;
    std::vector<Cell> cells_;
    int number_ = -1; // the word of the number just before, which a unit joins
    int continues_ = -1; // the word the next number continues, across a range
    int next_word_ = 0;
};

} // namespace

std::vector<Cell> cells_of(
    const QString& text, const Cell_Fonts& fonts, Writing writing, QPaintDevice* device)
{
    const QList<uint> code_points = text.toUcs4();
    return Cutter(fonts, writing, device)
        .cut(std::u32string(code_points.begin(), code_points.end()));
}

char32_t vertical_form(char32_t mark)
{
    const Mark* found = mark_of(mark);
    return found != nullptr ? found->vertical : 0;
}

bool is_latin(char32_t c)
{
    return c < 0x2E80;
}
