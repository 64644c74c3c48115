#include "pdf_tools.h"

#include "test_platform.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using test_platform::run_linux_tool;

QString attribute(const QString& tag, const char* name)
{
    const QRegularExpression pattern(QString::fromLatin1(name) + QStringLiteral("=\"([^\"]*)\""));
    return pattern.match(tag).captured(1);
}

// The few entities pdftotext writes.
QString unescaped(QString text)
{
    return text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

} // namespace

QString Pdf_Page::text() const
{
    QString all;
    for (const Pdf_Word& word : words)
        all += word.text;
    return all.remove(QRegularExpression(QStringLiteral("\\s")));
}

QStringList Pdf_Page::words_off_the_page() const
{
    const QRectF page(QPointF(0, 0), size);
    QStringList off;
    for (const Pdf_Word& word : words) {
        if (!page.contains(word.box))
            off << word.text;
    }
    return off;
}

bool pdf_tools_available()
{
    return test_platform::has_linux_tool(QStringLiteral("pdftotext"))
        && test_platform::has_linux_tool(QStringLiteral("pdftoppm"));
}

Pdf_Page read_pdf(const QString& pdf)
{
    QTemporaryDir place;
    const QString html = place.filePath(QStringLiteral("page.html"));
    Pdf_Page page;
    if (!run_linux_tool(QStringLiteral("pdftotext"),
            {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                QStringLiteral("-l"), QStringLiteral("1"), pdf, html},
            {5, 6}))
        return page;
    QFile file(html);
    if (!file.open(QIODevice::ReadOnly))
        return page;
    const QString content = QString::fromUtf8(file.readAll());
    const auto page_tag = QRegularExpression(QStringLiteral("<page [^>]*>")).match(content);
    page.size = QSizeF(attribute(page_tag.captured(), "width").toDouble(),
        attribute(page_tag.captured(), "height").toDouble());
    static const QRegularExpression word(QStringLiteral("<word ([^>]*)>([^<]*)</word>"));
    for (auto it = word.globalMatch(content); it.hasNext();) {
        const auto match = it.next();
        const QString tag = match.captured(1);
        const QPointF top_left(
            attribute(tag, "xMin").toDouble(), attribute(tag, "yMin").toDouble());
        const QPointF bottom_right(
            attribute(tag, "xMax").toDouble(), attribute(tag, "yMax").toDouble());
        page.words.push_back({unescaped(match.captured(2)), QRectF(top_left, bottom_right)});
    }
    return page;
}

QImage render_pdf(const QString& pdf, int dpi)
{
    return render_pdf_page(pdf, 1, dpi);
}

QImage render_pdf_page(const QString& pdf, int page, int dpi)
{
    QTemporaryDir place;
    const QString stem = place.filePath(QStringLiteral("page"));
    if (!run_linux_tool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page),
                QStringLiteral("-l"), QString::number(page), pdf, stem},
            {8, 9}))
        return {};
    return QImage(stem + QStringLiteral(".png"));
}
