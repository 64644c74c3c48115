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

// The first `count` characters as a reader counts them (an emoji with its modifiers is one).
QString first_characters(const QString& text, int count)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int seen = 0; seen < count && boundaries.toNextBoundary() >= 0; ++seen)
        end = boundaries.position();
    return text.left(end);
}

} // namespace

std::string safe_file_stem(const std::string& recipient)
{
    QString stem;
    for (const char32_t c : QString::fromStdString(recipient).toUcs4()) {
        if (QChar::category(c) == QChar::Other_Format)
            continue; // kept in the envelope's text, not in its name
        const bool refused = c < 0x20 || c == 0x7F
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
    stem = first_characters(stem, 60);
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
