#include "text_cells.h"

#include <QFontMetricsF>
#include <QList>
#include <algorithm>
#include <iterator>
#include <map>
#include <mutex>

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
    const auto found = std::find_if(std::begin(marks), std::end(marks),
        [c](const Mark& mark) { return mark.horizontal == c || mark.vertical == c; });
    return found == std::end(marks) ? nullptr : found;
}

bool is_digit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

QString text_of(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// Whether the font, or one Qt falls back to, has the character. Asked once per font and mark:
// the answer takes a look through every fallback font.
bool has_glyph(const QFont& font, char32_t c)
{
    static std::mutex mutex;
    static std::map<std::pair<QString, char32_t>, bool> known;
    const std::pair key {font.families().join(u','), c};
    std::lock_guard lock(mutex);
    const auto found = known.find(key);
    if (found != known.end())
        return found->second;
    return known[key] = QFontMetricsF(font).inFontUcs4(c);
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
            if (writing_ == Writing::vertical && is_digit(text[at]))
                at = digits(text, at);
            else
                one(text[at++]);
        }
        return std::move(cells_);
    }

private:
    double em() const { return fonts_.size_px * 1.05; } // upright cells stack at one em

    // A run of half-width digits in a column: two at the most share a cell.
    std::size_t digits(const std::u32string& text, std::size_t at)
    {
        std::size_t end = at;
        while (end < text.size() && is_digit(text[end]))
            ++end;
        if (end - at <= 2) {
            add({QString::fromUcs4(&text[at], qsizetype(end - at)), Cell_Kind::side_by_side, true,
                em()});
        } else {
            for (std::size_t i = at; i < end; ++i)
                add({text_of(text[i]), Cell_Kind::upright, true, em()});
        }
        word_ = -1;
        return end;
    }

    void one(char32_t c)
    {
        if (const Mark* mark = mark_of(c))
            return add_mark(*mark, c);
        if (!is_latin(c)) {
            const QString piece = text_of(c);
            word_ = -1;
            return add({piece, Cell_Kind::upright, false,
                writing_ == Writing::vertical ? em() : chinese_.horizontalAdvance(piece)});
        }
        const QString piece = text_of(c);
        const bool space = QChar::isSpace(c);
        if (space)
            word_ = -1;
        else if (word_ < 0)
            word_ = next_word_++;
        add({piece, writing_ == Writing::vertical ? Cell_Kind::turned : Cell_Kind::upright, true,
            latin_.horizontalAdvance(piece)});
    }

    void add_mark(const Mark& mark, char32_t typed)
    {
        word_ = -1;
        Cell cell;
        cell.rule = mark.rule;
        if (writing_ == Writing::vertical) {
            cell.advance = em();
            const bool has_form = has_glyph(fonts_.chinese, mark.vertical);
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

    void add(Cell cell)
    {
        cell.word = cell.latin ? word_ : -1;
        cells_.push_back(std::move(cell));
    }

    const Cell_Fonts& fonts_;
    Writing writing_;
    QFontMetricsF chinese_;
    QFontMetricsF latin_;
    std::vector<Cell> cells_;
    int word_ = -1;
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
