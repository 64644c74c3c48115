#include "list_file.h"

#include "csv.h"
#include "vcard.h"
#include "xlsx.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 largest_file = 64LL * 1024 * 1024;

const char save_as[]
    = "請在 Excel 用「另存新檔」存成「Excel 活頁簿 (.xlsx)」或「CSV UTF-8（逗號分隔）」再開啟";

} // namespace

List_Table read_list_text(const QByteArray& bytes, std::optional<List_Encoding> chosen)
{
    const List_Text text = decode_list_text(bytes, chosen);
    List_Table table;
    table.rows = parse_csv(text.text,
        text.encoding == List_Encoding::utf16le || text.encoding == List_Encoding::utf16be
            ? QChar(u'\t')
            : csv_delimiter(text.text));
    while (!table.rows.empty() && table.rows.back().join(QString()).trimmed().isEmpty())
        table.rows.pop_back();
    if (table.rows.size() > most_list_rows)
        throw List_Error("名單超過 " + std::to_string(most_list_rows) + " 列，請分成幾個檔案");
    table.kind = QStringLiteral("文字檔，") + QString::fromUtf8(encoding_name(text.encoding));
    table.encoding_guessed = text.guessed;
    table.warnings = text.warnings;
    return table;
}

List_Table read_list_file(
    const QString& path, std::optional<List_Encoding> chosen, const QString& wanted_sheet)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw List_Error(
            "打不開「" + path.toStdString() + "」：" + file.errorString().toStdString());
    if (file.size() > largest_file)
        throw List_Error("檔案超過 64 MB，不像是一份名單");
    const QByteArray start = file.peek(8);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (start.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        throw List_Error(
            std::string("這是舊的 Excel 活頁簿（.xls）或設了密碼的活頁簿，程式讀不了。") + save_as);
    if (start.startsWith("PK\x03\x04") || suffix == u"xlsx" || suffix == u"xlsm") {
        file.close();
        const Xlsx_Sheet sheet = read_xlsx(path, wanted_sheet);
        List_Table table;
        table.rows = sheet.rows;
        table.sheets = sheet.sheet_names;
        table.sheet = sheet.name;
        table.kind = QStringLiteral("Excel 活頁簿（工作表「%1」）").arg(sheet.name);
        return table;
    }
    if (suffix == u"xls" || suffix == u"ods" || suffix == u"numbers")
        throw List_Error(std::string("程式讀不了這種檔案。") + save_as);
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw List_Error("「" + path.toStdString() + "」讀不完整");
    if (looks_like_vcard(bytes))
        return read_vcard(bytes);
    return read_list_text(bytes, chosen);
}
