#pragma once

// A PDF as poppler reads it: its page size, its words with their boxes, its text, and the page
// rasterised. Poppler's tools write into files, so that a Windows test under Wine can run the
// Linux tools too.

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

struct Pdf_Word
{
    QString text;
    QRectF box; // in points, from the page's top left
};

struct Pdf_Page
{
    QSizeF size; // in points; empty when the file could not be read
    std::vector<Pdf_Word> words;
    QString text() const; // the words run together, without white space
    QStringList words_off_the_page() const; // any part of them beyond the page's edges
};

// Whether poppler's tools can be run from here.
bool pdf_tools_available();

// The first page of `pdf`.
Pdf_Page read_pdf(const QString& pdf);

// The first page rendered at `dpi`; a null image when it could not be rendered.
QImage render_pdf(const QString& pdf, int dpi);

// Page `page` (from 1) rendered at `dpi`; a null image when there is no such page.
QImage render_pdf_page(const QString& pdf, int page, int dpi);
