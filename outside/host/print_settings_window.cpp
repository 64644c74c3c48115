#include "print_settings_window.h"

#include "guard.h"
#include "in_background.h"
#include "print_jobs.h"
#include "print_preview.h"
#include "print_settings.h"
#include "printing.h"
#include "request_fields.h"
#include "sample_request.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <map>
#include <memory>

namespace {

constexpr auto patience = std::chrono::seconds(15);

QString text(const std::string& words)
{
    return QString::fromStdString(words);
}

const char* source_words(Paper_Source source)
{
    switch (source) {
    case Paper_Source::envelope:
        return "信封匣";
    case Paper_Source::manual:
        return "手動送紙";
    case Paper_Source::automatic:
        break;
    }
    return "自動選擇紙匣";
}

class Settings_Form
{
public:
    explicit Settings_Form(QWidget* window)
        : window_(window)
    {
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(destination_box());
        layout->addWidget(calibration_box());
        status_ = new QLabel(window);
        status_->setObjectName(QStringLiteral("status"));
        status_->setAccessibleName(QStringLiteral("狀態"));
        status_->setWordWrap(true);
        layout->addWidget(status_);
        auto* refresh = new QPushButton(QStringLiteral("重新詢問印表機"), window);
        refresh->setObjectName(QStringLiteral("refresh"));
        QObject::connect(
            refresh, &QPushButton::clicked, window, [this] { guarded(&Settings_Form::ask); });
        layout->addWidget(refresh, 0, Qt::AlignRight);
        say(settings_trouble());
        show_printer();
        ask();
        // The printers' states change: asked again while the window is open.
        auto* again = new QTimer(window);
        QObject::connect(again, &QTimer::timeout, window, [this] { guarded(&Settings_Form::ask); });
        again->start(10000);
    }

private:
    void guarded(void (Settings_Form::*what)())
    {
        call_guarded("列印設定", [this, what] { (this->*what)(); });
    }

    void say(const std::string& words)
    {
        if (!words.empty())
            status_->setText(text(words));
    }

    QGroupBox* destination_box()
    {
        auto* box = new QGroupBox(QStringLiteral("信封送到哪裡"), window_);
        auto* grid = new QGridLayout(box);
        pdf_ = new QRadioButton(QStringLiteral("只存 PDF 檔（輸出資料夾）"), box);
        pdf_->setObjectName(QStringLiteral("destination_pdf"));
        to_printer_ = new QRadioButton(QStringLiteral("存 PDF 檔，也送到印表機："), box);
        to_printer_->setObjectName(QStringLiteral("destination_printer"));
        destination_ = printer_list(QStringLiteral("destination"), QStringLiteral("送到的印表機"));
        (stored_destination().empty() ? pdf_ : to_printer_)->setChecked(true);
        grid->addWidget(pdf_, 0, 0, 1, 2);
        grid->addWidget(to_printer_, 1, 0);
        grid->addWidget(destination_, 1, 1);
        QObject::connect(pdf_, &QRadioButton::toggled, window_,
            [this] { guarded(&Settings_Form::keep_destination); });
        QObject::connect(destination_, &QComboBox::currentIndexChanged, window_, [this] {
            if (loading_)
                return;
            to_printer_->setChecked(true);
            guarded(&Settings_Form::keep_destination);
        });
        return box;
    }

    QComboBox* printer_list(const QString& name, const QString& words)
    {
        auto* list = new QComboBox(window_);
        list->setObjectName(name);
        list->setAccessibleName(words);
        list->addItem(QStringLiteral("正在詢問列印系統…"));
        list->setEnabled(false);
        return list;
    }

    QGroupBox* calibration_box()
    {
        auto* box = new QGroupBox(QStringLiteral("印表機的校正"), window_);
        auto* layout = new QVBoxLayout(box);
        auto* which = new QGridLayout;
        printer_ = printer_list(QStringLiteral("printer"), QStringLiteral("校正的印表機"));
        source_ = new QComboBox(box);
        source_->setObjectName(QStringLiteral("paper_source"));
        source_->setAccessibleName(QStringLiteral("送紙方式"));
        which->addWidget(new QLabel(QStringLiteral("印表機："), box), 0, 0);
        which->addWidget(printer_, 0, 1);
        which->addWidget(new QLabel(QStringLiteral("送紙方式："), box), 1, 0);
        which->addWidget(source_, 1, 1);
        layout->addLayout(which);
        auto* hint = new QLabel(
            QStringLiteral("移動量以公釐計，看著信封正面說：正數向右、向下，負數向左、向上。"
                           "信封倒著放進印表機時勾「轉 180°」。"),
            box);
        hint->setWordWrap(true);
        layout->addWidget(hint);
        layout->addLayout(formats_grid(box));
        layout->addLayout(actions_row(box));
        auto* usage = new QLabel(
            QStringLiteral("校正頁印在一般的紙上，疊在信封上對著光看：紅色的框和十字應該落在信封的"
                           "郵遞區號框和姓名框上。還差多少，就把它加進上面的移動量。"),
            box);
        usage->setWordWrap(true);
        layout->addWidget(usage);
        QObject::connect(printer_, &QComboBox::currentIndexChanged, window_, [this] {
            if (!loading_)
                guarded(&Settings_Form::show_printer);
        });
        QObject::connect(source_, &QComboBox::currentIndexChanged, window_,
            [this] { guarded(&Settings_Form::keep); });
        return box;
    }

    QGridLayout* formats_grid(QWidget* box)
    {
        auto* grid = new QGridLayout;
        const QStringList headings = {QStringLiteral("信封格式"), QStringLiteral("向右移（公釐）"),
            QStringLiteral("向下移（公釐）"), QStringLiteral("轉 180°")};
        for (int column = 0; column < headings.size(); ++column)
            grid->addWidget(new QLabel(headings[column], box), 0, column);
        int row = 1;
        for (const char* format : envelope_formats) {
            const QString name = QString::fromUtf8(format);
            Row& controls = rows_[format];
            controls.right = shift_box(box, QStringLiteral("right[%1]").arg(name),
                QStringLiteral("「%1」向右移（公釐）").arg(name));
            controls.down = shift_box(box, QStringLiteral("down[%1]").arg(name),
                QStringLiteral("「%1」向下移（公釐）").arg(name));
            controls.turned = new QCheckBox(box);
            controls.turned->setObjectName(QStringLiteral("turned[%1]").arg(name));
            controls.turned->setAccessibleName(QStringLiteral("「%1」轉 180°").arg(name));
            QObject::connect(controls.turned, &QCheckBox::toggled, window_,
                [this] { guarded(&Settings_Form::keep); });
            grid->addWidget(new QLabel(name, box), row, 0);
            grid->addWidget(controls.right, row, 1);
            grid->addWidget(controls.down, row, 2);
            grid->addWidget(controls.turned, row, 3, Qt::AlignCenter);
            ++row;
        }
        return grid;
    }

    Shift_Box* shift_box(QWidget* box, const QString& name, const QString& words)
    {
        auto* shift = new Shift_Box(box);
        shift->setObjectName(name);
        shift->setAccessibleName(words);
        shift->too_far = [this, words](double typed) {
            status_->setText(QStringLiteral("%1最多 %2 公釐：%3 改為 %2")
                                 .arg(words)
                                 .arg(largest_shift_mm)
                                 .arg(typed));
        };
        QObject::connect(shift, &QDoubleSpinBox::valueChanged, window_,
            [this] { guarded(&Settings_Form::keep); });
        return shift;
    }

    QHBoxLayout* actions_row(QWidget* box)
    {
        auto* row = new QHBoxLayout;
        format_ = new QComboBox(box);
        format_->setObjectName(QStringLiteral("format"));
        format_->setAccessibleName(QStringLiteral("試印和校正的信封格式"));
        for (const char* format : envelope_formats)
            format_->addItem(QString::fromUtf8(format));
        row->addWidget(format_);
        const std::pair<const char*, const char*> actions[]
            = {{"preview", "預覽"}, {"calibration", "列印校正頁"}, {"test_print", "試印一個信封"}};
        for (const auto& [name, caption] : actions) {
            auto* button = new QPushButton(QString::fromUtf8(caption), box);
            button->setObjectName(QString::fromUtf8(name));
            row->addWidget(button);
            const std::string action = name;
            QObject::connect(button, &QPushButton::clicked, window_,
                [this, action] { call_guarded("列印設定", [this, &action] { act(action); }); });
            if (action != "preview")
                printing_buttons_.push_back(button);
        }
        return row;
    }

    std::string printer() const { return printer_->currentData().toString().toStdString(); }
    std::string format() const { return format_->currentText().toStdString(); }

    // The printers, asked off the window's thread; the lists keep what was chosen.
    void ask()
    {
        if (asking_)
            return;
        asking_ = true;
        ask_in_background<Printers>(
            window_, [] { return list_printers(); },
            [this](const Printers& printers) {
                asking_ = false;
                fill(printers);
            },
            patience,
            [this] {
                asking_ = false;
                say("列印系統沒有回應，等一下再按「重新詢問印表機」");
            });
    }

    void fill(const Printers& printers)
    {
        known_ = printers;
        if (!printers.trouble.empty())
            say(printers.trouble);
        const std::string stored = stored_destination();
        std::string standard;
        for (const Printer_Info& printer : printers.printers)
            standard = printer.is_default ? printer.name : standard;
        // Where envelopes go: the one chosen, shown as gone where it is; else the default.
        const std::string chosen = destination_->isEnabled() ? current(destination_)
            : !stored.empty()                                ? stored
                                                             : standard;
        const std::string looked_at = printer_->isEnabled() ? current(printer_) : chosen;
        loading_ = true;
        refill(destination_, printers, chosen);
        refill(printer_, printers, looked_at);
        loading_ = false;
        show_printer();
    }

    static std::string current(const QComboBox* list)
    {
        return list->currentData().toString().toStdString();
    }

    static void refill(QComboBox* list, const Printers& printers, const std::string& chosen)
    {
        list->clear();
        for (const Printer_Info& printer : printers.printers)
            list->addItem(text(printer.name + "（" + printer.state
                              + (printer.is_default ? "，預設" : "") + "）"),
                text(printer.name));
        if (!chosen.empty() && list->findData(text(chosen)) < 0)
            list->addItem(text(chosen + "（不存在）"), text(chosen));
        list->setCurrentIndex(std::max(0, list->findData(text(chosen))));
        list->setEnabled(list->count() > 0);
    }

    void keep_destination()
    {
        if (loading_)
            return;
        tell_if_lost(store_destination(to_printer_->isChecked() ? current(destination_) : ""));
    }

    void tell_if_lost(bool kept)
    {
        if (!kept)
            status_->setText(
                text("列印設定沒有存好，下次執行時不會保留（" + settings_place() + "）"));
    }

    // The printer looked at: its settings into the controls, its paper sources offered.
    void show_printer()
    {
        loading_ = true;
        const Printer_Settings settings = stored_settings(printer());
        for (const std::string& refused : settings.refused)
            say(refused);
        source_->clear();
        source_->addItem(text(source_words(Paper_Source::automatic)), int(Paper_Source::automatic));
        for (const Printer_Info& info : known_.printers) {
            if (info.name != printer())
                continue;
            for (const Paper_Source source : info.sources)
                source_->addItem(text(source_words(source)), int(source));
        }
        source_->setCurrentIndex(std::max(0, source_->findData(int(settings.source))));
        for (auto& [format, controls] : rows_) {
            const Format_Adjustment adjustment = settings.adjustment(format);
            controls.right->setValue(adjustment.right_mm);
            controls.down->setValue(adjustment.down_mm);
            controls.turned->setChecked(adjustment.turned);
        }
        loading_ = false;
    }

    Printer_Settings shown() const
    {
        Printer_Settings settings;
        settings.source = Paper_Source(source_->currentData().toInt());
        for (const auto& [format, controls] : rows_)
            settings.set(format,
                {controls.right->value(), controls.down->value(), controls.turned->isChecked()});
        return settings;
    }

    void keep()
    {
        if (!loading_ && !printer().empty())
            tell_if_lost(store_settings(printer(), shown()));
    }

    void act(const std::string& action)
    {
        if (action == "preview") {
            (new Preview(format(), shown().adjustment(format())))->show();
            return;
        }
        if (printer().empty()) {
            status_->setText(QStringLiteral("沒有可用的印表機"));
            return;
        }
        const std::string printer_name = printer();
        const std::string format_text = format();
        const Printer_Settings settings = shown();
        status_->setText(text("正在送到「" + printer_name + "」…"));
        for (QPushButton* button : printing_buttons_)
            button->setEnabled(false);
        ask_in_background<Printed_Job>(
            window_,
            [=] {
                return action == "calibration"
                    ? print_calibration(printer_name, format_text, settings)
                    : print_envelopes({sample_request(format_text)}, printer_name,
                        "Pelderwick 試印 " + format_text, settings);
            },
            [this, printer_name](const Printed_Job& job) {
                done_printing(job.handed ? "已送到「" + printer_name + "」（列印工作 "
                            + std::to_string(job.job) + "）"
                                         : "沒有列印：" + job.reason);
            },
            patience, [this] { done_printing("列印系統沒有回應，沒有列印"); });
    }

    void done_printing(const std::string& words)
    {
        status_->setText(text(words));
        for (QPushButton* button : printing_buttons_)
            button->setEnabled(true);
    }

    struct Row
    {
        Shift_Box* right = nullptr;
        Shift_Box* down = nullptr;
        QCheckBox* turned = nullptr;
    };

    QWidget* window_;
    QRadioButton* pdf_ = nullptr;
    QRadioButton* to_printer_ = nullptr;
    QComboBox* destination_ = nullptr;
    QComboBox* printer_ = nullptr;
    QComboBox* source_ = nullptr;
    QComboBox* format_ = nullptr;
    QLabel* status_ = nullptr;
    std::vector<QPushButton*> printing_buttons_;
    std::map<std::string, Row> rows_;
    Printers known_;
    bool loading_ = false;
    bool asking_ = false;
};

} // namespace

QWidget* make_print_settings_window()
{
    auto* window = new QWidget;
    window->setObjectName(QStringLiteral("print_settings"));
    window->setWindowTitle(QStringLiteral("列印設定"));
    window->setAccessibleName(window->windowTitle());
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The form lives as long as its window.
    auto form = std::make_shared<Settings_Form>(window);
    QObject::connect(window, &QObject::destroyed, window, [form] {});
    return window;
}
