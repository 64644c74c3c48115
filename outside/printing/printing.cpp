#include "printing.h"

#include "drawing.h"
#include "layout.h"
#include "print_jobs.h"
#include "request_fields.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <stdexcept>

namespace {

// Printers may round a size to whole points: half a millimetre is the same paper.
constexpr double same_paper_mm = 0.5;

// A listed paper of the format's size, in either orientation.
std::optional<QPageSize> listed_paper(const QPrinterInfo& info, const Envelope_Format& format)
{
    const double a = std::min(format.width_mm, format.height_mm);
    const double b = std::max(format.width_mm, format.height_mm);
    for (const QPageSize& size : info.supportedPageSizes()) {
        const QSizeF mm = size.size(QPageSize::Millimeter);
        const double c = std::min(mm.width(), mm.height());
        const double d = std::max(mm.width(), mm.height());
        if (std::abs(a - c) <= same_paper_mm && std::abs(b - d) <= same_paper_mm)
            return size;
    }
    return std::nullopt;
}

std::string cm(double mm)
{
    const double tenths = std::round(mm);
    return std::to_string(int(tenths) / 10)
        + (int(tenths) % 10 == 0 ? "" : "." + std::to_string(int(tenths) % 10));
}

// The paper set on the printer: size, orientation and margins one by one, each checked (a
// layout with zero margins in one call is refused by printers with hardware margins).
std::vector<Warning> set_paper(QPrinter& printer, const QPrinterInfo& info,
    const Envelope_Format& format, const std::string& name)
{
    const double shorter = std::min(format.width_mm, format.height_mm);
    const double longer = std::max(format.width_mm, format.height_mm);
    const QPageSize paper = listed_paper(info, format)
                                .value_or(QPageSize(QSizeF(shorter, longer), QPageSize::Millimeter,
                                    QString(), QPageSize::ExactMatch));
    printer.setFullPage(true);
    if (!printer.setPageSize(paper))
        throw std::runtime_error("印表機「" + name + "」不接受這個紙張大小");
    const auto orientation
        = format.width_mm > format.height_mm ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (!printer.setPageOrientation(orientation))
        throw std::runtime_error("印表機「" + name + "」不接受這個紙張方向");
    std::vector<Warning> warnings;
    const QMarginsF least = printer.pageLayout().minimumMargins();
    if (!printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter)
        || std::max({least.left(), least.top(), least.right(), least.bottom()}) > 0) {
        const QMarginsF mm = printer.pageLayout().marginsPoints() / 72.0 * 25.4;
        if (std::max({mm.left(), mm.top(), mm.right(), mm.bottom()}) > measure::vertical::side - 2)
            warnings.push_back({"印表機「" + name + "」的紙邊印不到，信封邊上的字可能印不出來"});
    }
    return warnings;
}

QPrinter::PaperSource paper_source_of(Paper_Source source)
{
    switch (source) {
    case Paper_Source::envelope:
        return QPrinter::Envelope;
    case Paper_Source::manual:
        return QPrinter::Manual;
    case Paper_Source::automatic:
        break;
    }
    return QPrinter::Auto;
}

using Page_Drawing = std::function<std::vector<Warning>(QPainter&, double px_per_mm, int page)>;

Printed_Job print_pages(const std::string& name, const std::string& format_text,
    const std::string& title, const Printer_Settings& settings, int pages, const Page_Drawing& draw)
{
    Printed_Job job;
    job.printer = name;
    try {
        const Envelope_Format format = envelope_format(format_text);
        if (const std::string refusal = paper_refusal(name, format); !refusal.empty())
            throw std::runtime_error(refusal);
        const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(name));
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(QString::fromStdString(title));
        job.warnings = set_paper(printer, info, format, name);
        // Where the printer has no such source, its driver feeds from the one it has.
        printer.setPaperSource(paper_source_of(settings.source));
        QPainter painter;
        if (!painter.begin(&printer))
            throw std::runtime_error("印表機「" + name + "」無法開始列印");
        const double px_per_mm = printer.resolution() / 25.4;
        for (int page = 0; page < pages; ++page) {
            if (page > 0 && !printer.newPage())
                throw std::runtime_error("印表機「" + name + "」無法換頁");
            painter.save();
            apply_adjustment(painter, px_per_mm, format, settings.adjustment(format_text));
            const std::vector<Warning> drawn = draw(painter, px_per_mm, page);
            job.warnings.insert(job.warnings.end(), drawn.begin(), drawn.end());
            painter.restore();
        }
        if (!painter.end() || printer.printerState() == QPrinter::Error)
            throw std::runtime_error("印表機「" + name + "」沒有收下這份工作");
        const std::optional<int> number = job_named(name, title);
        if (!number)
            throw std::runtime_error("列印系統沒有收下給「" + name + "」的工作");
        job.job = *number;
        job.handed = true;
    } catch (const std::exception& error) {
        job.reason = error.what();
    }
    return job;
}

} // namespace

void apply_adjustment(QPainter& painter, double px_per_mm, const Envelope_Format& format,
    const Format_Adjustment& adjustment)
{
    painter.translate(adjustment.right_mm * px_per_mm, adjustment.down_mm * px_per_mm);
    if (adjustment.turned) {
        painter.translate(format.width_mm * px_per_mm, format.height_mm * px_per_mm);
        painter.rotate(180);
    }
}

std::string paper_refusal(const std::string& printer, const Envelope_Format& format)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printer));
    if (info.isNull())
        return "沒有「" + printer + "」這台印表機";
    if (const Queue_State state = queue_state(printer); !state.ready)
        return state.reason;
    if (info.state() == QPrinter::Error)
        return "印表機「" + printer + "」已停止";
    if (!listed_paper(info, format) && !info.supportsCustomPageSizes())
        return "印表機「" + printer + "」不能用 " + cm(format.width_mm) + " x "
            + cm(format.height_mm) + " 公分的信封紙張";
    return {};
}

Printed_Job print_envelopes(const std::vector<Record>& requests, const std::string& printer,
    const std::string& title, const Printer_Settings& settings)
{
    if (requests.empty())
        return {true, printer, 0, {}, {}};
    const std::string format = std::get<std::string>(requests.front().at(request_key::format));
    return print_pages(printer, format, title, settings, int(requests.size()),
        [&](QPainter& painter, double px_per_mm, int page) {
            return draw_envelope(painter, px_per_mm, requests[std::size_t(page)]);
        });
}

void draw_calibration(QPainter& painter, double px_per_mm, const Envelope_Format& format)
{
    const auto px = [px_per_mm](double mm) { return mm * px_per_mm; };
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, px(0.2)));
    painter.drawRect(QRectF(0, 0, px(format.width_mm), px(format.height_mm)));
    // Rulers along the top and the left edge: a tick every millimetre, longer every five and
    // ten, numbered every ten.
    QFont numbers;
    numbers.setPixelSize(std::max(1, int(px(2.5))));
    painter.setFont(numbers);
    for (int mm = 0; mm <= int(format.width_mm); ++mm) {
        const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
        painter.drawLine(QPointF(px(mm), 0), QPointF(px(mm), px(length)));
        if (mm % 10 == 0 && mm > 0)
            painter.drawText(QPointF(px(mm + 0.5), px(6.5)), QString::number(mm));
    }
    for (int mm = 0; mm <= int(format.height_mm); ++mm) {
        const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
        painter.drawLine(QPointF(0, px(mm)), QPointF(px(length), px(mm)));
        if (mm % 10 == 0 && mm > 0)
            painter.drawText(QPointF(px(5), px(mm + 1)), QString::number(mm));
    }
    // Crosshairs where the boxes and the frame are to land.
    const Envelope_Marks marks = marks_of(format);
    auto cross = [&](QPointF at, double arm) {
        painter.drawLine(
            QPointF(px(at.x() - arm), px(at.y())), QPointF(px(at.x() + arm), px(at.y())));
        painter.drawLine(
            QPointF(px(at.x()), px(at.y() - arm)), QPointF(px(at.x()), px(at.y() + arm)));
    };
    painter.setPen(QPen(Qt::red, px(0.15)));
    for (const auto* boxes : {&marks.code_boxes, &marks.sender_code_boxes}) {
        for (const QRectF& box : *boxes) {
            painter.drawRect(QRectF(px(box.x()), px(box.y()), px(box.width()), px(box.height())));
            cross(box.center(), 2);
        }
    }
    if (!marks.name_frame.isEmpty()) {
        const QRectF frame = marks.name_frame;
        painter.drawRect(
            QRectF(px(frame.x()), px(frame.y()), px(frame.width()), px(frame.height())));
        for (const QPointF& corner : {frame.topLeft(), frame.topRight(), frame.bottomLeft(),
                 frame.bottomRight(), frame.center()})
            cross(corner, 4);
    }
}

Printed_Job print_calibration(
    const std::string& printer, const std::string& format, const Printer_Settings& settings)
{
    return print_pages(printer, format, "Pelderwick 校正頁 " + format, settings, 1,
        [&](QPainter& painter, double px_per_mm, int) {
            draw_calibration(painter, px_per_mm, envelope_format(format));
            return std::vector<Warning> {};
        });
}

std::string printer_named(const std::string& name)
{
    const QString wanted = QString::fromStdString(name);
    const QStringList known = QPrinterInfo::availablePrinterNames();
    if (known.contains(wanted))
        return name;
    for (const QString& printer : known) {
        if (printer.compare(wanted, Qt::CaseInsensitive) == 0)
            return printer.toStdString();
    }
    return name;
}

std::string printer_state_text(const std::string& printer)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printer));
    if (info.isNull())
        return "不存在";
    if (const Queue_State state = queue_state(printer); !state.ready)
        return "無法列印";
    switch (info.state()) {
    case QPrinter::Idle:
        return "待命";
    case QPrinter::Active:
        return "列印中";
    case QPrinter::Aborted:
    case QPrinter::Error:
        break;
    }
    return "已停止";
}
