#pragma once

// Text as the user sees it: the invisible format characters that text copied from a web page or a
// spreadsheet carries (zero-width spaces, soft hyphens, direction marks, word joiners, byte order
// marks) are left out, so that they neither stop an address from being read nor reach the page.
// And text as a message shows it: its first 20 characters, and "…" where it goes on.

#include <QList>
#include <QString>

inline QString visible_text(const QString& text)
{
    QString visible;
    visible.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (QChar::category(c) != QChar::Other_Format)
            visible += QString::fromUcs4(&c, 1);
    }
    return visible;
}

inline QString shown_in_a_message(const QString& text, int characters = 20)
{
    const QList<uint> points = text.toUcs4();
    if (points.size() <= characters)
        return text;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), characters)
        + QStringLiteral("…");
}
