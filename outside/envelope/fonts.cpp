#include "fonts.h"

#include <QFontDatabase>
#include <QList>
#include <algorithm>

// (TrueType faces: Qt's PDF writer leaves the text of a CFF-outlined face unreadable.)
QFont font_named(const std::string& name)
{
    static const std::pair<const char*, QStringList> families[] = {
        {"微軟正黑體", {"Microsoft JhengHei", "WenQuanYi Micro Hei"}},
        {"標楷體", {"DFKai-SB", "AR PL UKai TW"}},
        {"新細明體", {"PMingLiU", "AR PL UMing TW"}},
    };
    QFont font;
    font.setFamilies({QString::fromStdString(name)});
    for (const auto& [offered, stand_ins] : families) {
        if (name == offered)
            font.setFamilies(stand_ins);
    }
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// Asked once: the fonts do not change.
bool chinese_fonts_installed()
{
    static const bool installed
        = !QFontDatabase::families(QFontDatabase::TraditionalChinese).isEmpty();
    return installed;
}

bool has_han(const QString& text)
{
    const QList<uint> code_points = text.toUcs4();
    return std::any_of(code_points.begin(), code_points.end(),
        [](uint c) { return QChar::script(c) == QChar::Script_Han; });
}
