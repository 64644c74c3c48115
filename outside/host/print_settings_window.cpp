#include "print_settings_window.h"

#include "drawing.h"
#include "print_settings.h"
#include "printing.h"
#include "request_fields.h"
#include "sample_request.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <map>
#include <memory>

namespace {

// The chosen format's envelope at true size where the screen says how large its pixels are,
// with the printer's shift and turn, on the outline of the paper.
class Preview final : public QWidget
{
public:
    Preview(std::string format, Format_Adjustment adjustment)
        : format_(std::move(format))
        , adjustment_(adjustment)
    {
        setObjectName(QStringLiteral("preview"));
        setWindowTitle(QStringLiteral("預覽 ") + QString::fromStdString(format_));
        setAttribute(Qt::WA_DeleteOnClose);
        const Envelope_Format page = envelope_format(format_);
        resize(QSizeF(page.width_mm * px_per_mm(), page.height_mm * px_per_mm()).toSize());
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        const Envelope_Format page = envelope_format(format_);
        const double scale = px_per_mm();
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(Qt::gray);
        painter.drawRect(QRectF(0, 0, page.width_mm * scale - 1, page.height_mm * scale - 1));
        apply_adjustment(painter, scale, page, adjustment_);
        draw_envelope(painter, scale, sample_request(format_));
    }

private:
    double px_per_mm() const
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen != nullptr && screen->physicalDotsPerInch() > 30
            ? screen->physicalDotsPerInch() / screen->devicePixelRatio()
            : 96;
        return dpi / 25.4;
    }

    std::string format_;
    Format_Adjustment adjustment_;
};

class Settings_Form
{
public:
    explicit Settings_Form(QWidget* window)
        : window_(window)
    {
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(destination_box());
        layout->addLayout(formats_grid());
        layout->addLayout(actions_row());
        status_ = new QLabel(window);
        status_->setObjectName(QStringLiteral("status"));
        status_->setWordWrap(true);
        layout->addWidget(status_);
        show_printer();
        status_->setText(QString::fromStdString(settings_trouble()));
    }

private:
    QWidget* destination_box()
    {
        auto* box = new QWidget(window_);
        auto* grid = new QGridLayout(box);
        pdf_ = new QRadioButton(QStringLiteral("只存 PDF 檔（輸出資料夾）"), box);
        pdf_->setObjectName(QStringLiteral("destination_pdf"));
        to_printer_ = new QRadioButton(QStringLiteral("存 PDF 檔，也送到印表機："), box);
        to_printer_->setObjectName(QStringLiteral("destination_printer"));
        printers_ = new QComboBox(box);
        printers_->setObjectName(QStringLiteral("printer"));
        for (const QString& name : QPrinterInfo::availablePrinterNames())
            printers_->addItem(name + QStringLiteral("（")
                    + QString::fromStdString(printer_state_text(name.toStdString()))
                    + QStringLiteral("）"),
                name);
        const QString stored = QString::fromStdString(stored_destination());
        (stored.isEmpty() ? pdf_ : to_printer_)->setChecked(true);
        if (const int at = printers_->findData(stored); at >= 0)
            printers_->setCurrentIndex(at);
        source_ = new QComboBox(box);
        source_->setObjectName(QStringLiteral("paper_source"));
        source_->addItems(
            {QStringLiteral("自動選擇紙匣"), QStringLiteral("信封匣"), QStringLiteral("手動送紙")});
        grid->addWidget(pdf_, 0, 0, 1, 2);
        grid->addWidget(to_printer_, 1, 0);
        grid->addWidget(printers_, 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("送紙方式："), box), 2, 0);
        grid->addWidget(source_, 2, 1);
        QObject::connect(pdf_, &QRadioButton::toggled, window_, [this] { keep_destination(); });
        QObject::connect(printers_, &QComboBox::currentIndexChanged, window_, [this] {
            keep_destination();
            show_printer();
        });
        QObject::connect(source_, &QComboBox::currentIndexChanged, window_, [this] { keep(); });
        return box;
    }

    QGridLayout* formats_grid()
    {
        auto* grid = new QGridLayout;
        const QStringList headings = {QStringLiteral("信封格式"), QStringLiteral("向右移（公釐）"),
            QStringLiteral("向下移（公釐）"), QStringLiteral("轉 180°")};
        for (int column = 0; column < headings.size(); ++column)
            grid->addWidget(new QLabel(headings[column], window_), 0, column);
        int row = 1;
        for (const char* format : envelope_formats) {
            const QString name = QString::fromUtf8(format);
            Row& controls = rows_[format];
            controls.right = shift_box(QStringLiteral("right[%1]").arg(name));
            controls.down = shift_box(QStringLiteral("down[%1]").arg(name));
            controls.turned = new QCheckBox(window_);
            controls.turned->setObjectName(QStringLiteral("turned[%1]").arg(name));
            QObject::connect(controls.turned, &QCheckBox::toggled, window_, [this] { keep(); });
            grid->addWidget(new QLabel(name, window_), row, 0);
            grid->addWidget(controls.right, row, 1);
            grid->addWidget(controls.down, row, 2);
            grid->addWidget(controls.turned, row, 3, Qt::AlignCenter);
            ++row;
        }
        return grid;
    }

    QDoubleSpinBox* shift_box(const QString& name)
    {
        auto* box = new QDoubleSpinBox(window_);
        box->setObjectName(name);
        box->setRange(-30, 30);
        box->setDecimals(1);
        box->setSingleStep(0.5);
        QObject::connect(box, &QDoubleSpinBox::valueChanged, window_, [this] { keep(); });
        return box;
    }

    QHBoxLayout* actions_row()
    {
        auto* row = new QHBoxLayout;
        format_ = new QComboBox(window_);
        format_->setObjectName(QStringLiteral("format"));
        for (const char* format : envelope_formats)
            format_->addItem(QString::fromUtf8(format));
        row->addWidget(format_);
        const std::pair<const char*, const char*> actions[]
            = {{"preview", "預覽"}, {"calibration", "列印校正頁"}, {"test_print", "試印一個信封"}};
        for (const auto& [name, caption] : actions) {
            auto* button = new QPushButton(QString::fromUtf8(caption), window_);
            button->setObjectName(QString::fromUtf8(name));
            row->addWidget(button);
            const std::string action = name;
            QObject::connect(
                button, &QPushButton::clicked, window_, [this, action] { act(action); });
        }
        return row;
    }

    std::string printer() const { return printers_->currentData().toString().toStdString(); }
    std::string format() const { return format_->currentText().toStdString(); }

    void keep_destination()
    {
        if (!loading_)
            tell_if_lost(store_destination(to_printer_->isChecked() ? printer() : std::string()));
    }

    void tell_if_lost(bool kept)
    {
        if (!kept)
            status_->setText(QString::fromStdString(
                "列印設定沒有存好，下次執行時不會保留（" + settings_place() + "）"));
    }

    // The chosen printer's settings into the controls.
    void show_printer()
    {
        loading_ = true;
        const Printer_Settings settings = stored_settings(printer());
        source_->setCurrentIndex(int(settings.source));
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
        settings.source = Paper_Source(source_->currentIndex());
        for (const auto& [format, controls] : rows_)
            settings.formats[format]
                = {controls.right->value(), controls.down->value(), controls.turned->isChecked()};
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
        const Printed_Job job = action == "calibration"
            ? print_calibration(printer(), format(), shown())
            : print_envelopes(
                {sample_request(format())}, printer(), "Pelderwick 試印 " + format(), shown());
        status_->setText(QString::fromStdString(job.handed
                ? "已送到「" + printer() + "」（列印工作 " + std::to_string(job.job) + "）"
                : "沒有列印：" + job.reason));
    }

    struct Row
    {
        QDoubleSpinBox* right = nullptr;
        QDoubleSpinBox* down = nullptr;
        QCheckBox* turned = nullptr;
    };

    QWidget* window_;
    QRadioButton* pdf_ = nullptr;
    QRadioButton* to_printer_ = nullptr;
    QComboBox* printers_ = nullptr;
    QComboBox* source_ = nullptr;
    QComboBox* format_ = nullptr;
    QLabel* status_ = nullptr;
    std::map<std::string, Row> rows_;
    bool loading_ = false;
};

} // namespace

QWidget* make_print_settings_window()
{
    auto* window = new QWidget;
    window->setObjectName(QStringLiteral("print_settings"));
    window->setWindowTitle(QStringLiteral("列印設定"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The form lives as long as its window.
    auto form = std::make_shared<Settings_Form>(window);
    QObject::connect(window, &QObject::destroyed, window, [form] {});
    return window;
}
