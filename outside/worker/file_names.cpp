#include "file_names.h"

#include <QDateTime>
#include <QString>
#include <QTextBoundaryFinder>
#include <string_view>

namespace {

// The names Windows keeps for devices, whatever their letter case.
bool is_device_name(const QString& stem)
{
    const QString name = stem.toUpper();
    if (name == u"CON" || name == u"PRN" || name == u"AUX" || name == u"NUL")
        return true;
    return name.size() == 4 && (name.startsWith(u"COM") || name.startsWith(u"LPT"))
        && name[3] >= u'0' && name[3] <= u'9';
}

// What a file name may hold of the recipient: 60 characters, and a budget that leaves room for
// the time, a "-N" and ".pdf" within every system's limit (255 bytes of UTF-8 on Linux, 255
// UTF-16 units on Windows, whose folder path also counts towards 260).
constexpr int most_characters = 60;
constexpr qsizetype most_utf8_bytes = 180;
constexpr qsizetype most_utf16_units = 150;

bool within_budget(const QString& text)
{
    return text.size() <= most_utf16_units && text.toUtf8().size() <= most_utf8_bytes;
}

// The longest start of `text` that ends between two characters as a reader counts them (an
// emoji with its modifiers is one) and fits the budget; where even the first does not fit (a
// letter under hundreds of marks), between two code points.
QString within_limits(const QString& text)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int seen = 0; seen < most_characters && boundaries.toNextBoundary() >= 0; ++seen) {
        if (!within_budget(text.left(boundaries.position())))
            break;
        end = boundaries.position();
    }
    if (end > 0 || text.isEmpty())
        return text.left(end);
    QString start;
    for (const char32_t c : text.toUcs4()) {
        const QString longer = start + QString::fromUcs4(&c, 1);
        if (!within_budget(longer))
            break;
        start = longer;
    }
    return start;
}

// Control characters (C0 and C1) and the line and paragraph separators, which would break the
// name into lines wherever it is shown.
bool is_control(char32_t c)
{
    const auto category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Separator_Line
        || category == QChar::Separator_Paragraph;
}

} // namespace

std::string safe_file_stem(const std::string& recipient)
{
    QString stem;
    for (const char32_t c : QString::fromStdString(recipient).toUcs4()) {
        if (QChar::category(c) == QChar::Other_Format)
            continue; // kept in the envelope's text, not in its name
        const bool refused = is_control(c)
            || (c < 0x80
                && std::string_view("<>:\"/\\|?*").find(char(c)) != std::string_view::npos);
        stem += refused ? QStringLiteral("_") : QString::fromUcs4(&c, 1);
    }
    stem.replace(QStringLiteral(".."), QStringLiteral("_"));
    while (stem.startsWith(u'.') || stem.startsWith(u' '))
        stem.remove(0, 1);
    while (stem.endsWith(u'.') || stem.endsWith(u' '))
        stem.chop(1);
    if (is_device_name(stem))
        stem.prepend(u'_');
    stem = within_limits(stem);
    while (stem.endsWith(u'.') || stem.endsWith(u' '))
        stem.chop(1);
    return stem.toStdString();
}

std::string envelope_stem(const std::string& recipient)
{
    const std::string who = safe_file_stem(recipient);
    return QDateTime::currentDateTime()
               .toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))
               .toStdString()
        + "_" + (who.empty() ? "寄件人" : who);
}
