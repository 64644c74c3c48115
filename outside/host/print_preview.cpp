#include "print_preview.h"

#include "drawing.h"
#include "formats.h"
#include "printing.h"
#include "sample_request.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QScreen>
#include <cmath>

namespace {

// Pixels a millimetre on the screen, from the size it says it has; 96 dpi where it says none.
double screen_px_per_mm(const QScreen* screen)
{
    if (screen != nullptr && screen->physicalSize().width() > 10)
        return screen->size().width() / screen->physicalSize().width();
    return (screen != nullptr ? screen->logicalDotsPerInch() : 96) / 25.4;
}

} // namespace

Preview::Preview(std::string format, Format_Adjustment adjustment)
    : format_(std::move(format))
    , adjustment_(adjustment)
{
    setObjectName(QStringLiteral("preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    const Envelope_Format page = envelope_format(format_);
    const QScreen* screen = QGuiApplication::primaryScreen();
    px_per_mm_ = screen_px_per_mm(screen);
    if (screen != nullptr) {
        // Room on the screen, less the window's frame and a margin.
        const QSizeF room = QSizeF(screen->availableGeometry().size()) * 0.9;
        scale_ = std::min({1.0, room.width() / (page.width_mm * px_per_mm_),
            room.height() / (page.height_mm * px_per_mm_)});
    }
    const QString size = scale_ < 1
        ? QStringLiteral("（縮小為實際大小的 %1%）").arg(std::floor(scale_ * 100))
        : QStringLiteral("（實際大小）");
    setWindowTitle(QStringLiteral("預覽 ") + QString::fromStdString(format_) + size);
    setAccessibleName(windowTitle());
    setFixedSize(
        QSizeF(page.width_mm * px_per_mm_ * scale_, page.height_mm * px_per_mm_ * scale_).toSize());
}

void Preview::paintEvent(QPaintEvent* /*event*/)
{
    const Envelope_Format page = envelope_format(format_);
    const double scale = px_per_mm_ * scale_;
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::gray);
    painter.drawRect(QRectF(0, 0, page.width_mm * scale - 1, page.height_mm * scale - 1));
    apply_adjustment(painter, scale, page, adjustment_);
    draw_envelope(painter, scale, sample_request(format_));
}

Shift_Box::Shift_Box(QWidget* parent)
    : QDoubleSpinBox(parent)
{
    setRange(-largest_shift_mm, largest_shift_mm);
    setDecimals(1);
    setSingleStep(0.5);
    setLocale(QLocale::c());
}

QValidator::State Shift_Box::validate(QString& text, int& position) const
{
    text.replace(u'，', u',').replace(u',', u'.');
    bool number = false;
    const double typed = QLocale::c().toDouble(text.trimmed(), &number);
    if (number && std::abs(typed) > largest_shift_mm && std::abs(typed) < 1000)
        return QValidator::Intermediate; // set to the largest once typed
    return QDoubleSpinBox::validate(text, position);
}

double Shift_Box::valueFromText(const QString& text) const
{
    QString normal = text;
    normal.replace(u'，', u',').replace(u',', u'.');
    return QDoubleSpinBox::valueFromText(normal);
}

void Shift_Box::fixup(QString& text) const
{
    QString normal = text;
    normal.replace(u'，', u',').replace(u',', u'.');
    bool number = false;
    const double typed = QLocale::c().toDouble(normal.trimmed(), &number);
    if (number && std::abs(typed) > largest_shift_mm) {
        text = textFromValue(std::copysign(largest_shift_mm, typed));
        if (too_far)
            too_far(typed);
        return;
    }
    QDoubleSpinBox::fixup(text);
}
