#include "list_window.h"

#include "accessible.h"
#include "address_book.h"
#include "csv.h"
#include "drawing.h"
#include "guard.h"
#include "list_output.h"
#include "list_rows.h"
#include "platform.h"
#include "print_service.h"
#include "print_settings.h"
#include "request_fields.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <map>

namespace {

enum Column { tick_column, row_column, name_column, code_column, address_column, state_column };

// Where envelopes go for "只輸出 PDF": nowhere but their files.
class Files_Only : public Print_Service
{
public:
    explicit Files_Only(std::unique_ptr<Print_Service> system)
        : system_(std::move(system))
    { }
    std::string destination() override { return {}; }
    Printed_Job print(const std::vector<Record>& requests, const std::string& printer) override
    {
        return system_->print(requests, printer);
    }
    std::map<int, Job_State> job_states(
        const std::string& printer, const std::vector<int>& jobs) override
    {
        return system_->job_states(printer, jobs);
    }

private:
    std::unique_ptr<Print_Service> system_;
};

QString state_text(const List_Row& row, bool checked)
{
    if (!checked)
        return QStringLiteral("檢查中…");
    QStringList said;
    for (const std::string& error : row.errors)
        said << QString::fromStdString(error);
    for (const std::string& note : row.notes)
        said << QString::fromStdString(note);
    if (said.isEmpty())
        return row.derived_code.isEmpty() ? QStringLiteral("可以印")
                                          : QStringLiteral("可以印（郵遞區號由地址推得）");
    return said.join(QStringLiteral("；"));
}

// The envelope of one row, as large as the space allows, through the drawing itself.
class Envelope_Preview : public QWidget
{
public:
    Envelope_Preview()
    {
        setMinimumSize(260, 200);
        setAccessibleName(QStringLiteral("信封預覽"));
    }
    void show_request(std::optional<Record> request)
    {
        request_ = std::move(request);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        if (!request_)
            return;
        try {
            const Envelope_Value value = read_envelope(*request_);
            const double scale
                = std::min(width() / value.format.width_mm, height() / value.format.height_mm);
            painter.translate((width() - value.format.width_mm * scale) / 2,
                (height() - value.format.height_mm * scale) / 2);
            painter.fillRect(
                QRectF(0, 0, value.format.width_mm * scale, value.format.height_mm * scale),
                Qt::white);
            draw_envelope(painter, scale, value);
        } catch (const std::exception&) {
            painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("這一列畫不出信封"));
        }
    }

private:
    std::optional<Record> request_;
};

// Work beside the window on a thread of Qt's own: under mingw a plain thread that used Qt's text
// machinery crashes as it ends (Qt's state for it is torn down in the wrong order); a QThread
// ends cleanly.
class Background
{
public:
    ~Background() { join(); }
    void start(std::function<void()> work)
    {
        join();
        thread_.reset(QThread::create(std::move(work)));
        thread_->start();
    }
    bool joinable() const { return thread_ != nullptr; } // started and not joined yet
    void join()
    {
        if (thread_ != nullptr)
            thread_->wait();
        thread_.reset();
    }

private:
    std::unique_ptr<QThread> thread_;
};

class List_Window : public QWidget
{
public:
    explicit List_Window(const List_Window_Needs& needs)
        : needs_(needs)
    {
        setWindowTitle(QStringLiteral("名單列印"));
        setAttribute(Qt::WA_DeleteOnClose);
        setAcceptDrops(true);
        build();
        resize(1100, 700);
    }

    ~List_Window() override
    {
        stop_ = true;
        if (checker_.joinable())
            checker_.join();
        if (maker_.joinable())
            maker_.join();
        if (outputs_)
            outputs_->finish(std::chrono::seconds(0), stop_);
    }

    void load(const QString& path)
    {
        try {
            table_ = read_list_file(
                path, chosen_encoding(), path == path_ ? sheet_->currentText() : QString());
        } catch (const List_Error& error) {
            status_->setText(QStringLiteral("讀不了「%1」：%2")
                                 .arg(QFileInfo(path).fileName(), QString::fromUtf8(error.what())));
            return;
        }
        path_ = path;
        shown_table(QFileInfo(path).fileName());
        sheet_->clear();
        sheet_->addItems(table_.sheets);
        sheet_->setCurrentText(table_.sheet);
        sheet_->setVisible(table_.sheets.size() > 1);
    }

    // A list already read (the address book's recipients), shown as a file's is.
    void load_table(const List_Table& table, const QString& name)
    {
        table_ = table;
        path_.clear();
        shown_table(name);
    }

private:
    void shown_table(const QString& name)
    {
        settings_.list_name = name.toStdString();
        mapping_ = map_columns(table_.rows);
        if (!path_.isEmpty())
            remembered_mapping();
        file_->setText(QStringLiteral("%1（%2）").arg(name, table_.kind));
        fill_mapping();
        rebuild_rows();
        QStringList said;
        for (const std::string& warning : table_.warnings)
            said << QString::fromStdString(warning);
        encoding_->setStyleSheet(table_.encoding_guessed
                ? QStringLiteral("QComboBox { border: 2px solid #d97706; }")
                : QString());
        if (table_.encoding_guessed)
            said << QStringLiteral(
                "看不準編碼（像 Big5，也像別的編碼）：名字沒有變成亂碼的話，請在右上角選「Big5」"
                "再印；否則在 Excel 另存成「CSV UTF-8」");
        if (!mapping_.choices.empty())
            said << QStringLiteral("有欄位可以是兩欄以上，請在上面選擇要用哪一欄");
        if (mapping_.header_row < 0)
            said << QStringLiteral(
                "前 10 列找不到標題列（例如「姓名」「地址」），請在上面指定欄位");
        status_->setText(said.join(QStringLiteral("；")));
        offer_to_go_on();
    }

    // A run of this list stopped before its end: its rows not sent can be ticked alone.
    void offer_to_go_on()
    {
        not_sent_
            = path_.isEmpty() ? std::vector<int>() : rows_not_sent(log_path(), settings_.list_name);
        go_on_->setVisible(!not_sent_.empty());
        go_on_->setText(QStringLiteral("接著印：只勾上次沒有送出的 %1 列").arg(not_sent_.size()));
    }

    static QString log_path()
    {
        return QString::fromStdString(platform::local_path(output_folder))
            + QStringLiteral("requests.jsonl");
    }

    void tick_not_sent()
    {
        going_on_ = true; // and again once the rows are checked
        for (List_Row& row : rows_)
            row.ticked
                = std::find(not_sent_.begin(), not_sent_.end(), row.number) != not_sent_.end()
                && row.errors.empty();
        show_rows();
        go_on_->hide();
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override
    {
        const QList<QUrl> urls = event->mimeData()->urls();
        if (!urls.isEmpty() && urls.front().isLocalFile())
            call_guarded("名單列印：開啟檔案", [&] { load(urls.front().toLocalFile()); });
    }

private:
    // A signal of a control, its work run through the one guard.
    template <typename Sender, typename Signal>
    void guarded(Sender* sender, Signal signal, const char* what, std::function<void()> work)
    {
        connect(sender, signal, this, [what, work = std::move(work)] { call_guarded(what, work); });
    }

    void build()
    {
        auto* layout = new QVBoxLayout(this);
        auto* top = new QHBoxLayout;
        auto* open = named(
            new QPushButton(QStringLiteral("開啟名單…")), "open", QStringLiteral("開啟名單"));
        file_ = named(new QLabel(QStringLiteral("還沒有開啟名單：可以把檔案拖進這個視窗")), "file",
            QStringLiteral("名單檔案"));
        encoding_ = named(new QComboBox, "encoding", QStringLiteral("文字檔的編碼"));
        encoding_->addItem(QStringLiteral("編碼：自動判斷"));
        encoding_->addItem(QStringLiteral("UTF-8"), int(List_Encoding::utf8));
        encoding_->addItem(QStringLiteral("Big5（繁體中文，CP950）"), int(List_Encoding::big5));
        top->addWidget(open);
        top->addWidget(file_, 1);
        top->addWidget(encoding_);
        sheet_ = named(new QComboBox, "sheet", QStringLiteral("活頁簿的工作表"));
        sheet_->hide();
        top->addWidget(sheet_);
        guarded(sheet_, &QComboBox::activated, "名單列印：工作表", [this] {
            if (!path_.isEmpty())
                load(path_);
        });
        guarded(encoding_, &QComboBox::activated, "名單列印：編碼", [this] {
            if (!path_.isEmpty())
                load(path_);
        });
        layout->addLayout(top);
        guarded(open, &QPushButton::clicked, "名單列印：開啟名單", [this] {
            const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("開啟名單"),
                QString(), QStringLiteral("名單 (*.xlsx *.csv *.txt *.tsv);;所有檔案 (*)"));
            if (!path.isEmpty())
                load(path);
        });
        auto* mapping = new QHBoxLayout;
        for (std::size_t f = 0; f < list_field_count; ++f) {
            const QString name = QString::fromUtf8(field_name(List_Field(f)));
            auto* box = named(new QComboBox, "", QStringLiteral("「%1」用哪一欄").arg(name));
            box->setObjectName(QStringLiteral("field[%1]").arg(name));
            mapping->addWidget(new QLabel(name));
            mapping->addWidget(box);
            fields_[f] = box;
            connect(box, &QComboBox::activated, this, [this, f](int index) {
                call_guarded("名單列印：欄位", [&] {
                    mapping_.column[f] = fields_[f]->itemData(index).toInt();
                    std::erase_if(mapping_.choices,
                        [&](const auto& choice) { return std::size_t(choice.first) == f; });
                    remember_mapping();
                    rebuild_rows();
                });
            });
        }
        layout->addLayout(mapping);
        auto* middle = new QHBoxLayout;
        layout->addLayout(middle, 1);
        auto* left = new QVBoxLayout;
        middle->addLayout(left, 3);
        auto* filters = new QHBoxLayout;
        filter_ = named(new QComboBox, "filter", QStringLiteral("顯示哪些列"));
        filter_->addItems({QStringLiteral("全部"), QStringLiteral("有問題的"),
            QStringLiteral("重複的"), QStringLiteral("勾選的")});
        search_ = named(new QLineEdit, "search", QStringLiteral("找姓名或地址"));
        search_->setPlaceholderText(QStringLiteral("找姓名或地址"));
        auto* sort = named(new QPushButton(QStringLiteral("依郵遞區號排序")), "sort",
            QStringLiteral("依郵遞區號排序"));
        filters->addWidget(filter_);
        filters->addWidget(search_, 1);
        filters->addWidget(sort);
        left->addLayout(filters);
        guarded(
            filter_, &QComboBox::currentIndexChanged, "名單列印：篩選", [this] { apply_filter(); });
        guarded(search_, &QLineEdit::textChanged, "名單列印：篩選", [this] { apply_filter(); });
        guarded(sort, &QPushButton::clicked, "名單列印：排序", [this] { sort_by_code(); });
        table_view_ = named(new QTableWidget(0, 6), "rows", QStringLiteral("名單的列"));
        table_view_->setHorizontalHeaderLabels(
            {QStringLiteral("印"), QStringLiteral("列"), QStringLiteral("姓名"),
                QStringLiteral("郵遞區號"), QStringLiteral("地址"), QStringLiteral("狀態")});
        QHeaderView* header = table_view_->horizontalHeader();
        for (const Column wide : {name_column, address_column, state_column})
            header->setSectionResizeMode(wide, QHeaderView::Stretch);
        // Narrow columns sized once a fill is done: sized to their contents at every item, a
        // thousand rows take seconds.
        for (const Column narrow : {tick_column, row_column, code_column})
            header->setSectionResizeMode(narrow, QHeaderView::Interactive);
        table_view_->verticalHeader()->hide();
        left->addWidget(table_view_, 1);
        connect(table_view_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
            call_guarded("名單列印：修改", [&] { edited(item); });
        });
        connect(table_view_, &QTableWidget::currentCellChanged, this,
            [this](int row) { call_guarded("名單列印：預覽", [&] { preview_row(row); }); });
        areas_ = named(new QLabel, "areas", QStringLiteral("各區的封數"));
        areas_->setWordWrap(true);
        left->addWidget(areas_);
        auto* right = new QVBoxLayout;
        middle->addLayout(right, 2);
        auto* form = new QFormLayout;
        sender_name_ = named(new QLineEdit, "sender_name", QStringLiteral("寄件人姓名"));
        sender_code_ = named(new QLineEdit, "sender_postal_code", QStringLiteral("寄件人郵遞區號"));
        sender_address_ = named(new QLineEdit, "sender_address", QStringLiteral("寄件人地址"));
        format_ = named(new QComboBox, "format", QStringLiteral("信件格式"));
        for (const char* format : envelope_formats)
            format_->addItem(QString::fromUtf8(format));
        ratio_ = named(new QSpinBox, "ratio", QStringLiteral("文字大小比例"));
        ratio_->setRange(50, 200);
        ratio_->setValue(100);
        ratio_->setSuffix(QStringLiteral(" %"));
        senders_ = named(new QComboBox, "senders", QStringLiteral("從通訊錄選寄件人"));
        fill_senders();
        form->addRow(QStringLiteral("通訊錄的寄件人"), senders_);
        connect(senders_, &QComboBox::activated, this,
            [this](int index) { call_guarded("名單列印：寄件人", [&] { sender_chosen(index); }); });
        form->addRow(QStringLiteral("寄件人姓名"), sender_name_);
        form->addRow(QStringLiteral("寄件人郵遞區號"), sender_code_);
        form->addRow(QStringLiteral("寄件人地址"), sender_address_);
        form->addRow(QStringLiteral("信件格式"), format_);
        form->addRow(QStringLiteral("文字大小比例"), ratio_);
        right->addLayout(form);
        for (QLineEdit* edit : {sender_name_, sender_code_, sender_address_})
            guarded(edit, &QLineEdit::editingFinished, "名單列印：寄件人",
                [this] { settings_changed(); });
        guarded(format_, &QComboBox::currentIndexChanged, "名單列印：格式",
            [this] { settings_changed(); });
        guarded(ratio_, &QSpinBox::valueChanged, "名單列印：比例", [this] { settings_changed(); });
        preview_ = new Envelope_Preview;
        preview_->setObjectName(QStringLiteral("preview"));
        right->addWidget(preview_, 1);
        auto* steps = new QHBoxLayout;
        auto* previous = named(
            new QPushButton(QStringLiteral("上一封")), "previous", QStringLiteral("上一封"));
        auto* next
            = named(new QPushButton(QStringLiteral("下一封")), "next", QStringLiteral("下一封"));
        steps->addWidget(previous);
        steps->addWidget(next);
        right->addLayout(steps);
        guarded(previous, &QPushButton::clicked, "名單列印：上一封", [this] { step(-1); });
        guarded(next, &QPushButton::clicked, "名單列印：下一封", [this] { step(1); });
        auto* bottom = new QHBoxLayout;
        auto* save = named(
            new QPushButton(QStringLiteral("另存名單…")), "save_list", QStringLiteral("另存名單"));
        auto* problems = named(new QPushButton(QStringLiteral("匯出有問題的列…")),
            "export_problems", QStringLiteral("匯出有問題的列"));
        print_ = named(new QPushButton(QStringLiteral("列印 0 封")), "print",
            QStringLiteral("列印勾選的信封"));
        pdf_ = named(new QPushButton(QStringLiteral("只輸出 PDF")), "pdf_only",
            QStringLiteral("只輸出 PDF"));
        stop_button_
            = named(new QPushButton(QStringLiteral("停止")), "stop", QStringLiteral("停止"));
        stop_button_->setEnabled(false);
        progress_ = named(new QProgressBar, "progress", QStringLiteral("進度"));
        go_on_ = named(new QPushButton, "go_on", QStringLiteral("接著印上次沒有送出的列"));
        go_on_->hide();
        bottom->addWidget(go_on_);
        guarded(go_on_, &QPushButton::clicked, "名單列印：接著印", [this] { tick_not_sent(); });
        bottom->addWidget(save);
        bottom->addWidget(problems);
        bottom->addWidget(progress_, 1);
        bottom->addWidget(print_);
        bottom->addWidget(pdf_);
        bottom->addWidget(stop_button_);
        layout->addLayout(bottom);
        status_ = named(new QLabel, "status", QStringLiteral("名單的狀況"));
        status_->setWordWrap(true);
        status_->setText(status_text_);
        layout->addWidget(status_);
        guarded(save, &QPushButton::clicked, "名單列印：另存名單", [this] { save_csv(false); });
        guarded(problems, &QPushButton::clicked, "名單列印：匯出有問題的列",
            [this] { save_csv(true); });
        guarded(print_, &QPushButton::clicked, "名單列印：列印", [this] { make(true); });
        guarded(pdf_, &QPushButton::clicked, "名單列印：只輸出 PDF", [this] { make(false); });
        connect(stop_button_, &QPushButton::clicked, this, [this] { stop_ = true; });
    }

    // The mapping the user chose for this file, by its place: kept in the program's settings.
    QString mapping_group() const
    {
        return QStringLiteral("lists/")
            + QString::fromUtf8(QFileInfo(path_).absoluteFilePath().toUtf8().toPercentEncoding());
    }

    void remember_mapping()
    {
        if (const auto settings = program_settings()) {
            QList<QVariant> columns;
            for (const int column : mapping_.column)
                columns << column;
            settings->setValue(mapping_group() + QStringLiteral("/columns"), columns);
            settings->setValue(
                mapping_group() + QStringLiteral("/header_row"), mapping_.header_row);
        }
    }

    void remembered_mapping()
    {
        const auto settings = program_settings();
        if (!settings)
            return;
        const QList<QVariant> columns
            = settings->value(mapping_group() + QStringLiteral("/columns")).toList();
        if (columns.size() != qsizetype(list_field_count))
            return;
        for (std::size_t f = 0; f < list_field_count; ++f)
            mapping_.column[f] = columns[qsizetype(f)].toInt();
        mapping_.header_row
            = settings->value(mapping_group() + QStringLiteral("/header_row"), mapping_.header_row)
                  .toInt();
        mapping_.header_row = std::clamp(mapping_.header_row, -1, int(table_.rows.size()) - 1);
        mapping_.choices.clear();
    }

    void fill_senders()
    {
        senders_->clear();
        senders_->addItem(QStringLiteral("（自己填）"));
        try {
            for (const Address_Book_Entry& entry : read_address_book())
                if (entry.kind == u"寄件人")
                    senders_->addItem(name_of(entry),
                        QStringList {name_of(entry), entry.postal_code, entry.address});
        } catch (const List_Error& error) {
            status_text_ = QStringLiteral("通訊錄讀不了：%1").arg(QString::fromUtf8(error.what()));
        }
    }

    void sender_chosen(int index)
    {
        const QStringList sender = senders_->itemData(index).toStringList();
        if (sender.size() != 3)
            return;
        sender_name_->setText(sender[0]);
        sender_code_->setText(sender[1]);
        sender_address_->setText(sender[2]);
        settings_changed();
    }

    std::optional<List_Encoding> chosen_encoding() const
    {
        const QVariant chosen = encoding_->currentData();
        return chosen.isValid() ? std::optional(List_Encoding(chosen.toInt())) : std::nullopt;
    }

    void fill_mapping()
    {
        const QStringList header = mapping_.header_row >= 0
            ? table_.rows[std::size_t(mapping_.header_row)]
            : QStringList();
        qsizetype columns = 0;
        for (const QStringList& row : table_.rows)
            columns = std::max(columns, row.size());
        for (std::size_t f = 0; f < list_field_count; ++f) {
            QComboBox* box = fields_[f];
            box->clear();
            box->addItem(QStringLiteral("（不用）"), -1);
            for (int c = 0; c < columns; ++c) {
                const QString title = c < header.size() && !header[c].isEmpty()
                    ? header[c]
                    : QStringLiteral("第 %1 欄").arg(c + 1);
                box->addItem(title, c);
            }
            box->setCurrentIndex(std::max(0, box->findData(mapping_.column[f])));
            const bool choice = std::any_of(mapping_.choices.begin(), mapping_.choices.end(),
                [&](const auto& c) { return std::size_t(c.first) == f; });
            box->setStyleSheet(
                choice ? QStringLiteral("QComboBox { border: 2px solid #d97706; }") : QString());
        }
    }

    List_Settings current_settings() const
    {
        List_Settings settings = settings_;
        settings.format = format_->currentText().toStdString();
        settings.size_ratio = ratio_->value() == 100 ? Value(1LL) : Value(ratio_->value() / 100.0);
        settings.sender_name = sender_name_->text().toStdString();
        settings.sender_postal_code = sender_code_->text().toStdString();
        settings.sender_address = sender_address_->text().toStdString();
        return settings;
    }

    // The rows shown at once, their checks coming from the background.
    void rebuild_rows()
    {
        const List_Settings settings = current_settings();
        rows_ = list_rows(table_, mapping_, settings, false);
        checked_ = false;
        show_rows();
        check_in_background(settings);
    }

    void check_in_background(const List_Settings& settings)
    {
        const int generation = ++generation_;
        if (checker_.joinable())
            checker_.join();
        checker_.start([this, generation, settings, rows = rows_]() mutable {
            for (List_Row& row : rows) {
                if (generation != generation_)
                    return;
                check_row(row, settings);
            }
            note_repeats(rows);
            QMetaObject::invokeMethod(this, [this, generation, rows = std::move(rows)]() mutable {
                if (generation != generation_)
                    return;
                rows_ = std::move(rows);
                checked_ = true;
                if (going_on_)
                    tick_not_sent();
                show_rows();
            });
        });
    }

    void show_rows()
    {
        filling_ = true;
        table_view_->setUpdatesEnabled(false);
        table_view_->setSortingEnabled(false);
        table_view_->setRowCount(int(rows_.size()));
        for (int i = 0; i < int(rows_.size()); ++i) {
            const List_Row& row = rows_[std::size_t(i)];
            auto* tick = new QTableWidgetItem;
            tick->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            tick->setCheckState(row.ticked ? Qt::Checked : Qt::Unchecked);
            tick->setData(Qt::UserRole, i);
            table_view_->setItem(i, tick_column, tick);
            auto* number = new QTableWidgetItem(QString::number(row.number));
            number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            table_view_->setItem(i, row_column, number);
            table_view_->setItem(i, name_column, new QTableWidgetItem(row.name));
            table_view_->setItem(i, code_column,
                new QTableWidgetItem(row.postal_code.isEmpty() && !row.derived_code.isEmpty()
                        ? u'(' + row.derived_code + u')'
                        : row.postal_code));
            table_view_->setItem(i, address_column, new QTableWidgetItem(row.address));
            auto* state = new QTableWidgetItem(state_text(row, checked_));
            state->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (!row.errors.empty())
                state->setForeground(QColor(0xB9, 0x1C, 0x1C));
            else if (!row.notes.empty())
                state->setForeground(QColor(0xB4, 0x53, 0x09));
            table_view_->setItem(i, state_column, state);
        }
        for (const Column narrow : {tick_column, row_column, code_column})
            table_view_->resizeColumnToContents(narrow);
        table_view_->setUpdatesEnabled(true);
        filling_ = false;
        setProperty("checked", checked_); // for those who wait on it
        apply_filter();
        count_ticked();
        if (table_view_->currentRow() < 0)
            step(1); // the first envelope in the preview
        else
            preview_row(table_view_->currentRow());
    }

    List_Row* row_of(int view_row)
    {
        QTableWidgetItem* tick = table_view_->item(view_row, tick_column);
        return tick ? &rows_[std::size_t(tick->data(Qt::UserRole).toInt())] : nullptr;
    }

    void edited(QTableWidgetItem* item)
    {
        if (filling_)
            return;
        List_Row* row = row_of(item->row());
        if (row == nullptr)
            return;
        if (item->column() == tick_column) {
            row->ticked = item->checkState() == Qt::Checked;
            count_ticked();
            return;
        }
        // An edit changes the list here, never the file.
        if (item->column() == name_column)
            row->name = item->text().trimmed();
        else if (item->column() == address_column)
            row->address = item->text().trimmed();
        else if (item->column() == code_column && !item->text().startsWith(u'('))
            row->postal_code = item->text().trimmed();
        check_row(*row, current_settings());
        note_repeats(rows_);
        show_rows();
    }

    void apply_filter()
    {
        const QString text = search_->text().trimmed();
        for (int i = 0; i < table_view_->rowCount(); ++i) {
            const List_Row* row = row_of(i);
            bool shown = true;
            switch (filter_->currentIndex()) {
            case 1:
                shown = !row->errors.empty() || !row->notes.empty();
                break;
            case 2:
                shown = std::find(row->notes.begin(), row->notes.end(), repeated_note)
                    != row->notes.end();
                break;
            case 3:
                shown = row->ticked;
                break;
            default:
                break;
            }
            if (!text.isEmpty())
                shown = shown && (row->name.contains(text) || row->address.contains(text));
            table_view_->setRowHidden(i, !shown);
        }
    }

    QString code_of(const List_Row& row) const
    {
        return row.postal_code.isEmpty() ? row.derived_code : row.postal_code.left(3);
    }

    // Bulk mail goes in bundles by area.
    void sort_by_code()
    {
        std::stable_sort(rows_.begin(), rows_.end(), [this](const List_Row& a, const List_Row& b) {
            const QString x = code_of(a);
            const QString y = code_of(b);
            return x.isEmpty() != y.isEmpty() ? y.isEmpty() : x < y;
        });
        show_rows();
    }

    void count_areas()
    {
        std::map<QString, int> areas;
        for (const List_Row& row : rows_)
            if (row.ticked)
                ++areas[code_of(row).isEmpty() ? QStringLiteral("沒有郵遞區號") : code_of(row)];
        QStringList said;
        for (const auto& [area, count] : areas)
            said << QStringLiteral("%1：%2 封").arg(area).arg(count);
        areas_->setText(said.join(QStringLiteral("、")));
    }

    std::vector<const List_Row*> ticked_rows() const
    {
        std::vector<const List_Row*> ticked;
        for (const List_Row& row : rows_)
            if (row.ticked)
                ticked.push_back(&row);
        return ticked;
    }

    void count_ticked()
    {
        print_->setText(QStringLiteral("列印 %1 封").arg(ticked_rows().size()));
        count_areas();
    }

    void preview_row(int view_row)
    {
        const List_Row* row = view_row >= 0 ? row_of(view_row) : nullptr;
        preview_->show_request(
            row ? std::optional(list_request(*row, current_settings())) : std::nullopt);
    }

    void step(int by)
    {
        for (int i = table_view_->currentRow() + by; i >= 0 && i < table_view_->rowCount();
             i += by) {
            if (!table_view_->isRowHidden(i) && row_of(i)->ticked) {
                table_view_->setCurrentCell(i, name_column);
                return;
            }
        }
    }

    void settings_changed()
    {
        settings_ = current_settings();
        if (!rows_.empty())
            rebuild_keeping_edits();
        preview_row(table_view_->currentRow());
    }

    // New settings change what may be cut: the rows as they are now, checked again.
    void rebuild_keeping_edits()
    {
        checked_ = false;
        show_rows();
        check_in_background(current_settings());
    }

    void save_csv(bool problems_only)
    {
        const QString path = QFileDialog::getSaveFileName(this,
            problems_only ? QStringLiteral("匯出有問題的列") : QStringLiteral("另存名單"),
            QString(), QStringLiteral("CSV UTF-8 (*.csv)"));
        if (path.isEmpty())
            return;
        QString text = QStringLiteral("列,姓名,郵遞區號,地址,狀態\r\n");
        for (const List_Row& row : rows_) {
            if (problems_only && row.errors.empty() && row.notes.empty())
                continue;
            text += QStringList {QString::number(row.number), csv_field(row.name),
                        csv_field(row.postal_code), csv_field(row.address),
                        csv_field(state_text(row, checked_))}
                        .join(u',')
                + QStringLiteral("\r\n");
        }
        QSaveFile file(path);
        const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            status_->setText(QStringLiteral("「%1」沒有存好：%2").arg(path, file.errorString()));
        else
            status_->setText(QStringLiteral("已存成「%1」").arg(path));
    }

    // The ticked rows made on the list's own thread, in jobs of at most 50.
    void make(bool printing)
    {
        if (maker_.joinable() || !checked_)
            return;
        if (table_.encoding_guessed) {
            status_->setText(QStringLiteral("編碼還沒確認：請在右上角選擇這個檔案的編碼"));
            return;
        }
        std::vector<Record> requests;
        const List_Settings settings = current_settings();
        for (const List_Row* row : ticked_rows())
            requests.push_back(list_request(*row, settings));
        if (requests.empty())
            return;
        if (outputs_)
            outputs_->finish(std::chrono::seconds(0), stop_);
        std::unique_ptr<Print_Service> service = system_print_service();
        if (!printing)
            service = std::make_unique<Files_Only>(std::move(service));
        outputs_ = std::make_unique<Outputs>(
            needs_.tell, printing ? needs_.printer : std::string(), std::move(service));
        stop_ = false;
        progress_->setRange(0, int(requests.size()));
        progress_->setValue(0);
        print_->setEnabled(false);
        pdf_->setEnabled(false);
        stop_button_->setEnabled(true);
        maker_.start([this, requests, settings, rows = rows_.size()] {
            std::string printer;
            const List_Counts counts = make_list(
                *outputs_, requests, stop_, [&](std::size_t i, const Production_Report& report) {
                    if (report.made)
                        printer = report.printer;
                    QMetaObject::invokeMethod(
                        this, [this, done = int(i) + 1] { progress_->setValue(done); });
                });
            log_list(requests.front(), settings.list_name, rows, requests.size(), counts, printer);
            QMetaObject::invokeMethod(this, [this, counts, printer] { made(counts, printer); });
        });
    }

    void made(const List_Counts& counts, const std::string& printer)
    {
        maker_.join();
        print_->setEnabled(true);
        pdf_->setEnabled(true);
        stop_button_->setEnabled(false);
        QString said = QStringLiteral("已輸出 %1 封").arg(counts.made);
        if (!printer.empty())
            said += QStringLiteral("，送往「%1」").arg(QString::fromStdString(printer));
        if (counts.not_made > 0)
            said += QStringLiteral("；%1 封沒有輸出（原因見通知）").arg(counts.not_made);
        if (counts.not_sent > 0)
            said += QStringLiteral("；停止了，%1 封沒有送出").arg(counts.not_sent);
        status_->setText(said);
    }

    List_Window_Needs needs_;
    QString path_;
    List_Table table_;
    List_Mapping mapping_;
    List_Settings settings_;
    std::vector<List_Row> rows_;
    bool checked_ = false;
    bool filling_ = false;
    std::atomic<int> generation_ {0};
    std::atomic<bool> stop_ {false};
    Background checker_;
    Background maker_;
    std::unique_ptr<Outputs> outputs_;
    std::array<QComboBox*, list_field_count> fields_ {};
    QLabel* file_ = nullptr;
    QComboBox* encoding_ = nullptr;
    QComboBox* sheet_ = nullptr; // shown for a workbook of more than one sheet
    QComboBox* senders_ = nullptr;
    QString status_text_; // said once the window is built
    QLabel* status_ = nullptr;
    QLabel* areas_ = nullptr;
    QComboBox* filter_ = nullptr;
    QLineEdit* search_ = nullptr;
    QTableWidget* table_view_ = nullptr;
    QLineEdit* sender_name_ = nullptr;
    QLineEdit* sender_code_ = nullptr;
    QLineEdit* sender_address_ = nullptr;
    QComboBox* format_ = nullptr;
    QSpinBox* ratio_ = nullptr;
    Envelope_Preview* preview_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* pdf_ = nullptr;
    QPushButton* stop_button_ = nullptr;
    QPushButton* go_on_ = nullptr;
    std::vector<int> not_sent_; // by the spreadsheet's row numbers
    bool going_on_ = false;
    QProgressBar* progress_ = nullptr;
};

} // namespace

QWidget* make_list_window(
    const List_Window_Needs& needs, const List_Table& table, const QString& name)
{
    auto* window = new List_Window(needs);
    window->load_table(table, name);
    return window;
}

QWidget* make_list_window(const List_Window_Needs& needs, const QString& path)
{
    auto* window = new List_Window(needs);
    if (!path.isEmpty())
        window->load(path);
    return window;
}
