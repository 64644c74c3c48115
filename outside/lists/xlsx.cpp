#include "xlsx.h"

#include "list_text.h"

#include <QFile>
#include <QXmlStreamReader>
#include <cmath>
#include <private/qzipreader_p.h>

namespace {

constexpr qint64 largest_part = 64LL * 1024 * 1024;
constexpr std::size_t most_rows = 10000;

const QString main_ns = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");

// The text of an <si> or <is>: its <t>s, its runs' <t>s, never the phonetic runs' (<rPh>).
QString string_item(QXmlStreamReader& xml)
{
    QString text;
    const QString end = xml.name().toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"rPh")
            ++phonetic;
        else if (xml.isEndElement() && xml.name() == u"rPh")
            --phonetic;
        else if (xml.isStartElement() && xml.name() == u"t" && phonetic == 0)
            text += xml.readElementText();
        else if (xml.isEndElement() && xml.name() == end)
            break;
    }
    return text;
}

// "AB12" → 27 (from 0).
int column_of(QStringView reference)
{
    int column = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (column > 16384)
            return -1;
    }
    return column - 1;
}

// A number as a general cell shows it: whole numbers without a point, others to 15 digits.
QString number_text(const QString& stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return stored;
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

QString cell_value(QXmlStreamReader& xml, const QStringList& shared)
{
    const QString type = xml.attributes().value(QStringLiteral("t")).toString();
    QString value;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"v")
            value = xml.readElementText();
        else if (xml.isStartElement() && xml.name() == u"is")
            value = string_item(xml);
        else if (xml.isEndElement() && xml.name() == u"c")
            break;
    }
    if (type == u"s") {
        bool ok = false;
        const int index = value.toInt(&ok);
        return ok && index >= 0 && index < shared.size() ? shared[index] : QString();
    }
    if (type == u"b")
        return value == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (type.isEmpty() || type == u"n")
        return number_text(value);
    return value; // inline strings, formulas' strings, errors
}

QByteArray part(QZipReader& zip, const QString& name, bool needed)
{
    for (const QZipReader::FileInfo& info : zip.fileInfoList()) {
        if (info.filePath.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (info.size > largest_part)
            throw List_Error("活頁簿裡的「" + name.toStdString() + "」說自己有 "
                + std::to_string(info.size / (1024 * 1024)) + " MB，超過名單能讀的 64 MB");
        QByteArray data = zip.fileData(info.filePath);
        if (data.size() != info.size)
            throw List_Error("活頁簿損壞了：「" + name.toStdString() + "」讀不完整");
        return data;
    }
    if (needed)
        throw List_Error(
            "這不是完整的 Excel 活頁簿（.xlsx）：找不到「" + name.toStdString() + "」");
    return {};
}

struct Sheet_Entry
{
    QString name;
    QString relation;
};

std::vector<Sheet_Entry> sheets_of(const QByteArray& workbook)
{
    std::vector<Sheet_Entry> sheets;
    QXmlStreamReader xml(workbook);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"sheet")
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        QString relation;
        for (const QXmlStreamAttribute& attribute : attributes)
            if (attribute.name() == u"id")
                relation = attribute.value().toString();
        sheets.push_back({attributes.value(QStringLiteral("name")).toString(), relation});
    }
    return sheets;
}

QString target_of(const QByteArray& relations, const QString& id)
{
    QXmlStreamReader xml(relations);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"Relationship"
            && xml.attributes().value(QStringLiteral("Id")) == id) {
            QString target = xml.attributes().value(QStringLiteral("Target")).toString();
            return target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
        }
    }
    return {};
}

} // namespace

QStringList shared_strings(const QByteArray& data)
{
    QStringList strings;
    if (data.isEmpty())
        return strings; // a workbook of inline strings alone has none
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"si")
            strings << string_item(xml);
    }
    if (xml.hasError())
        throw List_Error("活頁簿損壞了：共用字串讀不懂（" + xml.errorString().toStdString() + "）");
    return strings;
}

std::vector<QStringList> sheet_rows(
    const QByteArray& data, const QStringList& shared, std::size_t most)
{
    std::vector<QStringList> rows;
    QXmlStreamReader xml(data);
    qsizetype row = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"row") {
            bool ok = false;
            const qsizetype number = xml.attributes().value(QStringLiteral("r")).toLongLong(&ok);
            row = ok && number > row + 1 ? number - 1 : row + 1;
            if (std::size_t(row) >= most)
                throw List_Error("名單超過 " + std::to_string(most) + " 列，請分成幾個檔案");
            rows.resize(std::size_t(row) + 1);
        } else if (xml.isStartElement() && xml.name() == u"c" && row >= 0) {
            QStringList& cells = rows[std::size_t(row)];
            const int column = column_of(xml.attributes().value(QStringLiteral("r")));
            const QString value = cell_value(xml, shared);
            const qsizetype at = column >= 0 ? column : cells.size();
            while (cells.size() <= at)
                cells << QString();
            cells[at] = value;
        }
    }
    if (xml.hasError())
        throw List_Error("活頁簿損壞了：工作表讀不懂（" + xml.errorString().toStdString() + "）");
    // Empty rows at the end are no rows.
    while (!rows.empty() && rows.back().join(QString()).trimmed().isEmpty())
        rows.pop_back();
    return rows;
}

Xlsx_Sheet read_xlsx(const QString& path, const QString& wanted)
{
    QZipReader zip(path);
    if (!zip.isReadable() || zip.status() != QZipReader::NoError || zip.count() == 0)
        throw List_Error("活頁簿損壞了，或不是 Excel 活頁簿（.xlsx）");
    const std::vector<Sheet_Entry> sheets
        = sheets_of(part(zip, QStringLiteral("xl/workbook.xml"), true));
    if (sheets.empty())
        throw List_Error("活頁簿裡沒有工作表");
    Xlsx_Sheet read;
    for (const Sheet_Entry& sheet : sheets)
        read.sheet_names << sheet.name;
    auto chosen = sheets.begin();
    if (!wanted.isEmpty()) {
        chosen = std::find_if(sheets.begin(), sheets.end(),
            [&](const Sheet_Entry& sheet) { return sheet.name == wanted; });
        if (chosen == sheets.end())
            throw List_Error("活頁簿裡沒有叫「" + wanted.toStdString() + "」的工作表");
    }
    read.name = chosen->name;
    QString target = target_of(
        part(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), false), chosen->relation);
    if (target.isEmpty())
        target = QStringLiteral("xl/worksheets/sheet%1.xml").arg(chosen - sheets.begin() + 1);
    const QStringList shared
        = shared_strings(part(zip, QStringLiteral("xl/sharedStrings.xml"), false));
    read.rows = sheet_rows(part(zip, target, true), shared, most_rows);
    return read;
}
