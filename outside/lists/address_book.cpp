#include "address_book.h"

#include "csv.h"
#include "list_file.h"
#include "record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <array>

namespace {

QByteArray csv_of(std::vector<Address_Book_Entry> entries)
{
    QStringList lines;
    QStringList header;
    for (const char* name : address_book_columns)
        header << QString::fromUtf8(name);
    lines << header.join(u',');
    for (Address_Book_Entry& entry : entries) {
        QStringList fields;
        for (QString* field : fields_of(entry))
            fields << csv_field(*field);
        lines << fields.join(u',');
    }
    return QByteArray("\xEF\xBB\xBF")
        + (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

std::vector<Address_Book_Entry> entries_of(const List_Table& table)
{
    std::vector<Address_Book_Entry> entries;
    if (table.rows.empty())
        return entries;
    // By the address_book_columns, wherever Excel moved the columns.
    std::array<int, 10> column {};
    for (std::size_t f = 0; f < address_book_columns.size(); ++f)
        column[f] = int(table.rows.front().indexOf(QString::fromUtf8(address_book_columns[f])));
    for (std::size_t r = 1; r < table.rows.size(); ++r) {
        Address_Book_Entry entry;
        const std::array<QString*, 10> fields = fields_of(entry);
        for (std::size_t f = 0; f < address_book_columns.size(); ++f)
            if (column[f] >= 0 && column[f] < table.rows[r].size())
                *fields[f] = table.rows[r][column[f]].trimmed();
        if (!(entry.name + entry.company + entry.address).isEmpty())
            entries.push_back(entry);
    }
    return entries;
}

QString text(const Record& record, const char* key)
{
    if (!record.contains(key))
        return {};
    const Value& value = record.at(key);
    return std::holds_alternative<std::string>(value)
        ? QString::fromStdString(std::get<std::string>(value)).trimmed()
        : QString();
}

// Every line of an output log that reads as a record; lines of another kind, or damaged, have
// nothing to give and are passed over. No log yet is no lines.
void for_each_logged(const QString& log_path, const std::function<void(const Record&)>& each)
{
    QFile log(log_path);
    if (!log.open(QIODevice::ReadOnly))
        return;
    while (!log.atEnd()) {
        Record entry;
        try {
            entry = record_from_json_line(log.readLine().trimmed().toStdString());
        } catch (const std::exception&) {
            continue;
        }
        each(entry);
    }
}

} // namespace

std::array<QString*, 10> fields_of(Address_Book_Entry& entry)
{
    return {&entry.kind, &entry.group, &entry.company, &entry.department, &entry.name, &entry.title,
        &entry.postal_code, &entry.address, &entry.note, &entry.last_used};
}

QString address_book_path()
{
    const QString chosen = qEnvironmentVariable("PELDERWICK_ADDRESS_BOOK");
    if (!chosen.isEmpty())
        return chosen;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/brintlow/Pelderwick/通訊錄.csv");
}

std::vector<Address_Book_Entry> read_address_book()
{
    if (!QFileInfo::exists(address_book_path()))
        return {};
    return entries_of(read_list_file(address_book_path()));
}

std::string change_address_book(const std::function<void(std::vector<Address_Book_Entry>&)>& change)
{
    const QString path = address_book_path();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return "通訊錄的資料夾建不起來：" + QFileInfo(path).absolutePath().toStdString();
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(10000))
        return "通訊錄正被另一個程式使用，等了 10 秒還沒好，這次沒有存";
    std::vector<Address_Book_Entry> entries;
    try {
        entries = read_address_book();
    } catch (const List_Error& error) {
        return std::string("通訊錄讀不了，沒有改：") + error.what();
    }
    change(entries);
    const QByteArray bytes = csv_of(entries);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return "通訊錄沒有存好：" + file.errorString().toStdString();
    return {};
}

std::vector<Address_Book_Entry> recipients_from_log(
    const QString& log_path, const std::vector<Address_Book_Entry>& known)
{
    QSet<QString> seen;
    for (const Address_Book_Entry& entry : known)
        seen.insert(name_of(entry) + u'\n' + entry.address);
    std::vector<Address_Book_Entry> found;
    for_each_logged(log_path, [&](const Record& request) {
        Address_Book_Entry entry;
        entry.kind = QStringLiteral("收件人");
        entry.name = text(request, "收件人姓名");
        entry.address = text(request, "收件人地址");
        entry.postal_code = text(request, "收件人郵遞區號");
        entry.last_used = text(request, "時間").left(10);
        const QString key = entry.name + u'\n' + entry.address;
        if (entry.name.isEmpty() || entry.address.isEmpty() || seen.contains(key))
            return;
        seen.insert(key);
        found.push_back(entry);
    });
    return found;
}

std::vector<int> rows_not_sent(const QString& log_path, const std::string& list)
{
    std::vector<int> last;
    std::vector<int> current;
    for_each_logged(log_path, [&](const Record& entry) {
        if (text(entry, "名單").toStdString() != list)
            return;
        if (entry.contains("列數")) { // the run's own line: the run is over
            last = current;
            current.clear();
        } else if (text(entry, "原因").startsWith(QStringLiteral("沒有送出"))
            && entry.contains("名單列") && std::holds_alternative<long long>(entry.at("名單列"))) {
            current.push_back(int(std::get<long long>(entry.at("名單列"))));
        }
    });
    return last;
}

QString name_of(const Address_Book_Entry& entry)
{
    QStringList parts;
    for (const QString& part : {entry.company, entry.department, entry.name, entry.title})
        if (!part.isEmpty())
            parts << part;
    return parts.join(u' ');
}
