#pragma once

// The senders and recipients a user types often, in one file per user that Excel opens: UTF-8
// CSV with its BOM in the user's application-data folder, read by the same reader as lists.
// Every change reads the file anew and writes it whole (or not at all) under a lock beside it,
// so two programs saving at once never mix it; a change that cannot be written is said.

#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

struct Address_Book_Entry
{
    QString kind; // "寄件人" or "收件人"
    QString group;
    QString company;
    QString department;
    QString name;
    QString title;
    QString postal_code;
    QString address;
    QString note;
    QString last_used; // "2026-12-10"
};

// The book's columns, in the file's order, and an entry's fields in the same order.
inline constexpr std::array<const char*, 10> address_book_columns
    = {"類別", "群組", "公司", "部門", "姓名", "稱謂", "郵遞區號", "地址", "備註", "最後使用"};
std::array<QString*, 10> fields_of(Address_Book_Entry& entry);

// The file, unless `PELDERWICK_ADDRESS_BOOK` names another (for the tests).
QString address_book_path();

// Nothing when there is no file yet; throws List_Error for one that cannot be read.
std::vector<Address_Book_Entry> read_address_book();

// `change` applied to the entries as they are in the file now, the result written whole under
// the lock; says why not where it could not be (empty when written).
std::string change_address_book(
    const std::function<void(std::vector<Address_Book_Entry>&)>& change);

// The distinct recipients of an output log (requests.jsonl) that the book does not have yet.
std::vector<Address_Book_Entry> recipients_from_log(
    const QString& log_path, const std::vector<Address_Book_Entry>& known);

// The rows of the list `list` (a file's name) that its last run did not send because it was
// stopped, as the log at `log_path` has them: where going on from there begins.
std::vector<int> rows_not_sent(const QString& log_path, const std::string& list);

// The entry as one name, as a list row has it: 公司 部門 姓名 稱謂.
QString name_of(const Address_Book_Entry& entry);
