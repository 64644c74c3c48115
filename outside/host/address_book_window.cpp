#include "address_book_window.h"

#include "accessible.h"
#include "address_book.h"
#include "guard.h"
#include "list_file.h"
#include "platform.h"
#include "request_fields.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

namespace {

bool same(const Address_Book_Entry& a, const Address_Book_Entry& b)
{
    return a.kind == b.kind && name_of(a) == name_of(b) && a.address == b.address;
}

class Address_Book_Window : public QWidget
{
public:
    explicit Address_Book_Window(const List_Window_Needs& needs)
        : needs_(needs)
    {
        setWindowTitle(QStringLiteral("通訊錄"));
        setAttribute(Qt::WA_DeleteOnClose);
        build();
        reload();
        resize(1000, 560);
    }

private:
    QPushButton* button(
        QLayout* layout, const char* name, const QString& text, const std::function<void()>& action)
    {
        auto* made = named(new QPushButton(text), name, text);
        layout->addWidget(made);
        connect(made, &QPushButton::clicked, this,
            [text, action] { call_guarded(("通訊錄：" + text).toStdString().c_str(), action); });
        return made;
    }

    void build()
    {
        auto* layout = new QVBoxLayout(this);
        search_ = named(new QLineEdit, "search", QStringLiteral("找通訊錄"));
        search_->setPlaceholderText(QStringLiteral("找姓名、公司、群組或地址"));
        layout->addWidget(search_);
        connect(search_, &QLineEdit::textChanged, this,
            [this] { call_guarded("通訊錄：找", [this] { filter(); }); });
        table_ = named(new QTableWidget(0, int(address_book_columns.size())), "entries",
            QStringLiteral("通訊錄的人"));
        QStringList headers;
        for (const char* column : address_book_columns)
            headers << QString::fromUtf8(column);
        table_->setHorizontalHeaderLabels(headers);
        table_->horizontalHeader()->setSectionResizeMode(7, QHeaderView::Stretch);
        table_->verticalHeader()->hide();
        table_->setSelectionBehavior(QAbstractItemView::SelectRows);
        layout->addWidget(table_, 1);
        auto* buttons = new QHBoxLayout;
        button(buttons, "add_sender", QStringLiteral("新增寄件人"),
            [this] { add(QStringLiteral("寄件人")); });
        button(buttons, "add_recipient", QStringLiteral("新增收件人"),
            [this] { add(QStringLiteral("收件人")); });
        button(buttons, "delete", QStringLiteral("刪除"), [this] { remove_selected(); });
        button(buttons, "from_log", QStringLiteral("從輸出紀錄加入"), [this] { from_log(); });
        button(buttons, "to_list", QStringLiteral("放進名單列印"), [this] { to_list(); });
        buttons->addStretch(1);
        button(buttons, "save", QStringLiteral("儲存"), [this] { save(); });
        layout->addLayout(buttons);
        status_ = named(new QLabel, "status", QStringLiteral("通訊錄的狀況"));
        status_->setWordWrap(true);
        layout->addWidget(status_);
    }

    void reload()
    {
        try {
            loaded_ = read_address_book();
        } catch (const List_Error& error) {
            status_->setText(
                QStringLiteral("通訊錄讀不了：%1").arg(QString::fromUtf8(error.what())));
            return;
        }
        show_entries(loaded_);
        status_->setText(QStringLiteral("通訊錄在 %1").arg(address_book_path()));
    }

    void show_entries(std::vector<Address_Book_Entry> entries)
    {
        table_->setRowCount(int(entries.size()));
        for (int r = 0; r < int(entries.size()); ++r) {
            const std::array<QString*, 10> fields = fields_of(entries[std::size_t(r)]);
            for (int c = 0; c < int(fields.size()); ++c)
                table_->setItem(r, c, new QTableWidgetItem(*fields[std::size_t(c)]));
        }
        filter();
    }

    std::vector<Address_Book_Entry> shown_entries() const
    {
        std::vector<Address_Book_Entry> entries;
        for (int r = 0; r < table_->rowCount(); ++r) {
            Address_Book_Entry entry;
            const std::array<QString*, 10> fields = fields_of(entry);
            for (int c = 0; c < int(fields.size()); ++c)
                if (const QTableWidgetItem* item = table_->item(r, c))
                    *fields[std::size_t(c)] = item->text().trimmed();
            if (!(entry.name + entry.company + entry.address).isEmpty())
                entries.push_back(entry);
        }
        return entries;
    }

    void filter()
    {
        const QString text = search_->text().trimmed();
        for (int r = 0; r < table_->rowCount(); ++r) {
            bool found = text.isEmpty();
            for (int c = 0; c < table_->columnCount() && !found; ++c)
                found = table_->item(r, c) && table_->item(r, c)->text().contains(text);
            table_->setRowHidden(r, !found);
        }
    }

    void add(const QString& kind)
    {
        const int row = table_->rowCount();
        table_->insertRow(row);
        for (int c = 0; c < table_->columnCount(); ++c)
            table_->setItem(row, c, new QTableWidgetItem(c == 0 ? kind : QString()));
        table_->setCurrentCell(row, 4);
        table_->editItem(table_->item(row, 4));
    }

    void remove_selected()
    {
        const QModelIndexList rows = table_->selectionModel()->selectedRows();
        std::vector<int> numbers;
        for (const QModelIndex& index : rows)
            numbers.push_back(index.row());
        std::sort(numbers.rbegin(), numbers.rend());
        for (const int row : numbers)
            table_->removeRow(row);
    }

    void from_log()
    {
        const QString log = QString::fromStdString(platform::local_path(output_folder))
            + QStringLiteral("requests.jsonl");
        const std::vector<Address_Book_Entry> found = recipients_from_log(log, shown_entries());
        std::vector<Address_Book_Entry> entries = shown_entries();
        entries.insert(entries.end(), found.begin(), found.end());
        show_entries(entries);
        status_->setText(
            QStringLiteral("從輸出紀錄加入了 %1 位收件人（還沒儲存）").arg(found.size()));
    }

    // Saved whole; what another program added since this window read the book is kept.
    void save()
    {
        const std::vector<Address_Book_Entry> mine = shown_entries();
        const std::vector<Address_Book_Entry> loaded = loaded_;
        const std::string trouble
            = change_address_book([&](std::vector<Address_Book_Entry>& entries) {
                  std::vector<Address_Book_Entry> merged = mine;
                  for (const Address_Book_Entry& theirs : entries) {
                      const auto known = [&](const std::vector<Address_Book_Entry>& list) {
                          return std::any_of(list.begin(), list.end(),
                              [&](const Address_Book_Entry& e) { return same(e, theirs); });
                      };
                      if (!known(loaded) && !known(mine))
                          merged.push_back(theirs);
                  }
                  entries = merged;
              });
        if (!trouble.empty()) {
            status_->setText(QString::fromStdString(trouble));
            return;
        }
        reload();
        status_->setText(QStringLiteral("已儲存 %1 筆").arg(loaded_.size()));
    }

    // The recipients chosen (or all shown) in a list window of their own.
    void to_list()
    {
        List_Table table;
        table.kind = QStringLiteral("通訊錄");
        table.rows.push_back(
            {QStringLiteral("公司"), QStringLiteral("部門"), QStringLiteral("姓名"),
                QStringLiteral("稱謂"), QStringLiteral("郵遞區號"), QStringLiteral("地址")});
        const QModelIndexList selected = table_->selectionModel()->selectedRows();
        const std::vector<Address_Book_Entry> entries = shown_entries();
        for (int r = 0; r < int(entries.size()); ++r) {
            const Address_Book_Entry& e = entries[std::size_t(r)];
            const bool chosen = selected.isEmpty() ? !table_->isRowHidden(r)
                                                   : table_->selectionModel()->isRowSelected(r);
            if (chosen && e.kind != u"寄件人")
                table.rows.push_back(
                    {e.company, e.department, e.name, e.title, e.postal_code, e.address});
        }
        QWidget* window = make_list_window(needs_, table, QStringLiteral("通訊錄"));
        window->show();
        mark_used(table);
    }

    // The entries sent to a list carry today's date as their last use.
    void mark_used(const List_Table& table)
    {
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        change_address_book([&](std::vector<Address_Book_Entry>& entries) {
            for (Address_Book_Entry& entry : entries)
                for (std::size_t r = 1; r < table.rows.size(); ++r)
                    if (entry.name == table.rows[r][2] && entry.address == table.rows[r][5])
                        entry.last_used = today;
        });
    }

    List_Window_Needs needs_;
    std::vector<Address_Book_Entry> loaded_;
    QLineEdit* search_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace

QWidget* make_address_book_window(const List_Window_Needs& needs)
{
    return new Address_Book_Window(needs);
}
