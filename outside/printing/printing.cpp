#include "printing.h"

#include "drawing.h"
#include "layout.h"
#include "print_jobs.h"
#include "request_fields.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <cmath>
#include <stdexcept>

namespace {

std::string paper_refusal_of(const std::string& printer, const Envelope_Format& format);

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
void set_paper(QPrinter& printer, const QPrinterInfo& info, const Envelope_Format& format,
    const std::string& name)
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
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

std::string mm_text(double mm)
{
    return QString::number(mm, 'f', 1).toStdString();
}

// Where the printer cannot print near its edges and the envelope has frames, boxes or text
// there (shifted and turned as the printer's settings say): a warning before it prints.
std::vector<Warning> margin_warnings(const QPrinter& printer, const Envelope_Format& format,
    const Format_Adjustment& adjustment, const std::string& name)
{
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF least = layout.minimumMargins();
    const Ink_Margins ink = ink_margins(format);
    // The ink's distance from each edge of the paper, the shift and the turn applied.
    double left = ink.left + adjustment.right_mm;
    double right = ink.right - adjustment.right_mm;
    double top = ink.top + adjustment.down_mm;
    double bottom = ink.bottom - adjustment.down_mm;
    if (adjustment.turned) {
        std::swap(left, right);
        std::swap(top, bottom);
    }
    const std::pair<double, double> sides[] = {
        {least.left(), left}, {least.top(), top}, {least.right(), right}, {least.bottom(), bottom}};
    for (const auto& [unprintable, inked] : sides) {
        if (unprintable > inked + 0.05)
            return {{"印表機「" + name + "」的紙邊有 " + mm_text(unprintable)
                + " 公釐印不到，這個信封離邊 " + mm_text(std::max(0.0, inked))
                + " 公釐就有框、格或字，那裡可能印不出來"}};
    }
    return {};
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

// Envelopes go on one side, whatever the printer's default (offices set two), from the paper
// source chosen: the spooler's settings on Windows, the job's options with CUPS.
void ask_for_one_side_and_source(QPrinter& printer, Paper_Source source)
{
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setPaperSource(paper_source_of(source));
}

// The options Qt's CUPS support would give the job, and what envelopes need besides.
[[maybe_unused]] std::vector<std::pair<std::string, std::string>> job_options(
    const QPrinter& printer, Paper_Source source)
{
    std::vector<std::pair<std::string, std::string>> options {
        {"media", printer.pageLayout().pageSize().key().toStdString()}, {"sides", "one-sided"}};
    if (printer.pageLayout().orientation() == QPageLayout::Landscape)
        options.emplace_back("landscape", "");
    if (source != Paper_Source::automatic)
        options.emplace_back(
            "media-source", source == Paper_Source::manual ? "manual" : "envelope");
    return options;
}

// The job's document: with CUPS, Qt's own PDF of it in a file, handed over by the program itself
// (with a short time to be answered, its number known, and nothing sent when it is given up);
// elsewhere the spooler's job, which the printer's device takes as it is drawn.
class Job_Document
{
public:
    Job_Document(QPrinter& printer, const std::string& title)
        : printer_(printer)
        , title_(title)
    {
#ifndef Q_OS_WIN
        if (!folder_.isValid())
            throw std::runtime_error(
                "沒有地方暫存列印工作：" + folder_.errorString().toStdString());
        printer_.setOutputFileName(
            folder_.filePath(QStringLiteral("job"))); // no .pdf: Qt's CUPS PDF
#endif
        printer_.setDocName(QString::fromStdString(title));
    }

    // Once its pages are drawn and the painter has ended: the job's number. `held`: the print
    // system keeps it until it is released (release_job).
    int hand_over(const std::string& name, Paper_Source source, bool held)
    {
#ifdef Q_OS_WIN
        (void)source;
        (void)held;
        return job_named(name, title_).value_or(0);
#else
        auto options = job_options(printer_, source);
        if (held)
            options.emplace_back("job-hold-until", "indefinite");
        return submit_document(name, title_, printer_.outputFileName().toStdString(), options);
#endif
    }

    // Gives the job up before it is handed over: nothing reaches the printer.
    void give_up()
    {
#ifdef Q_OS_WIN
        printer_.abort();
#endif
    }

private:
    QPrinter& printer_;
    std::string title_;
#ifndef Q_OS_WIN
    QTemporaryDir folder_;
#endif
};

} // namespace

Printed_Job print_pages(const std::string& name, const std::string& format_text,
    const std::string& title, const Printer_Settings& settings, const Job_Pages& pages)
{
    Printed_Job job;
    job.printer = name;
    try {
        const Envelope_Format format = envelope_format(format_text);
        // The print system first, with a short time to answer: Qt's own questions wait as long
        // as it takes.
        const Queue_State queue = queue_state(name);
        if (!queue.ready)
            throw std::runtime_error(queue.reason);
        if (const std::string refusal = paper_refusal_of(name, format); !refusal.empty())
            throw std::runtime_error(refusal);
        const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(name));
        QPrinter printer(info, QPrinter::HighResolution);
        Job_Document document(printer, title);
        set_paper(printer, info, format, name);
        const Format_Adjustment adjustment = settings.adjustment(format_text);
        job.warnings = margin_warnings(printer, format, adjustment, name);
        for (const std::string& refused : settings.refused)
            job.warnings.push_back({refused});
        ask_for_one_side_and_source(printer, settings.source);
        QPainter painter;
        if (!painter.begin(&printer))
            throw std::runtime_error("印表機「" + name + "」無法開始列印");
        const double px_per_mm = printer.resolution() / 25.4;
        for (int page = 0; pages.ready(page); ++page) {
            if (page > 0 && !printer.newPage())
                throw std::runtime_error("印表機「" + name + "」無法換頁");
            painter.save();
            apply_adjustment(painter, px_per_mm, format, adjustment);
            const std::vector<Warning> drawn = pages.draw(painter, px_per_mm, page);
            job.warnings.insert(job.warnings.end(), drawn.begin(), drawn.end());
            painter.restore();
        }
#ifdef Q_OS_WIN
        // The spooler has the pages as they are drawn: given up before it has the end.
        if (pages.go_ahead && !pages.go_ahead()) {
            document.give_up();
            painter.end();
            job.reason = "列印工作沒有送出";
            return job;
        }
#endif
        if (!painter.end() || printer.printerState() == QPrinter::Error)
            throw std::runtime_error("印表機「" + name + "」沒有收下這份工作");
#ifdef Q_OS_WIN
        job.job = document.hand_over(name, settings.source, false);
#else
        // Waiting for the go-ahead, the whole job waits held in the print system: let go then
        // at once, or taken back without a page printed. On a queue that holds its jobs until
        // someone lets them go, it is handed over once the go-ahead has come, and held there.
        const bool waits = static_cast<bool>(pages.go_ahead) && !queue.holds_jobs;
        if (pages.go_ahead && queue.holds_jobs && !pages.go_ahead()) {
            job.reason = "列印工作沒有送出";
            return job;
        }
        job.job = document.hand_over(name, settings.source, waits);
        if (waits && !pages.go_ahead()) {
            withdraw_job(name, job.job);
            job.job = 0;
            job.reason = "列印工作沒有送出";
            return job;
        }
        if (waits)
            release_job(name, job.job);
#endif
        job.handed = true;
    } catch (const std::exception& error) {
        job.reason = error.what();
    }
    return job;
}

void apply_adjustment(QPainter& painter, double px_per_mm, const Envelope_Format& format,
    const Format_Adjustment& adjustment)
{
    // Turned first: the shift is right and down as seen on the envelope, whichever way it feeds.
    if (adjustment.turned) {
        painter.translate(format.width_mm * px_per_mm, format.height_mm * px_per_mm);
        painter.rotate(180);
    }
    painter.translate(adjustment.right_mm * px_per_mm, adjustment.down_mm * px_per_mm);
}

std::string paper_refusal(const std::string& printer, const Envelope_Format& format)
{
    // The print system first, with a short time to answer: Qt's own questions wait as long as it
    // takes.
    if (const Queue_State state = queue_state(printer); !state.ready)
        return state.reason;
    return paper_refusal_of(printer, format);
}

namespace {

std::string paper_refusal_of(const std::string& printer, const Envelope_Format& format)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printer));
    if (info.isNull())
        return "沒有「" + printer + "」這台印表機";
    if (!listed_paper(info, format) && !info.supportsCustomPageSizes())
        return "印表機「" + printer + "」不能用 " + cm(format.width_mm) + " x "
            + cm(format.height_mm) + " 公分的信封紙張";
    return {};
}

} // namespace

Printed_Job print_envelopes(const std::vector<Record>& requests, const std::string& printer,
    const std::string& title, const Printer_Settings& settings)
{
    if (requests.empty())
        return {true, printer, 0, {}, {}};
    const std::string format = std::get<std::string>(requests.front().at(request_key::format));
    return print_pages(printer, format, title, settings,
        {[&](int page) { return std::size_t(page) < requests.size(); },
            [&](QPainter& painter, double px_per_mm, int page) {
                return draw_envelope(painter, px_per_mm, requests[std::size_t(page)]);
            },
            {}});
}

Job_Builder::Job_Builder(
    std::string asked_for, std::string format, std::string title, Settings_Of settings_of)
    : drawer_([this, asked_for = std::move(asked_for), format = std::move(format),
                  title = std::move(title), settings_of = std::move(settings_of)] {
        const auto [printer, settings] = settings_of(asked_for);
        const Printed_Job job = print_pages(printer, format, title, settings,
            {[this](int page) { return ready(page); },
                [this](QPainter& painter, double px_per_mm, int page) {
                    return draw_envelope(painter, px_per_mm, page_of(page));
                },
                [this] { return go_ahead(); }});
        const std::lock_guard lock(mutex_);
        job_ = job;
        changed_.notify_all();
    })
{ }

Job_Builder::~Job_Builder()
{
    {
        const std::lock_guard lock(mutex_);
        if (!going_ahead_) {
            closed_ = true;
            giving_up_ = true;
        }
    }
    changed_.notify_all();
    drawer_.join();
}

void Job_Builder::add(const Record& request)
{
    {
        const std::lock_guard lock(mutex_);
        pages_.push_back(request);
    }
    changed_.notify_all();
}

void Job_Builder::close()
{
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

Printed_Job Job_Builder::hand_over()
{
    std::unique_lock lock(mutex_);
    closed_ = true;
    going_ahead_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return job_.has_value(); });
    return *job_;
}

bool Job_Builder::ready(int page)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return std::size_t(page) < pages_.size() || closed_; });
    return std::size_t(page) < pages_.size() && !giving_up_;
}

Record Job_Builder::page_of(int page)
{
    const std::lock_guard lock(mutex_);
    return pages_[std::size_t(page)]; // a deque's elements stay where they are as it grows
}

bool Job_Builder::go_ahead()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return going_ahead_ || giving_up_; });
    return !giving_up_;
}

void draw_calibration(
    QPainter& painter, double px_per_mm, const Envelope_Format& format, const QString& words)
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
    // What the page is, and how to read it, where the envelope has nothing to mark.
    const QRectF about = format.vertical
        ? QRectF(px(12), px(format.height_mm * 0.45), px(marks.name_frame.left() - 14),
            px(format.height_mm * 0.4))
        : QRectF(px(12), px(format.height_mm * 0.3), px(format.width_mm * 0.38 - 16),
            px(format.height_mm * 0.62));
    QFont text;
    text.setPixelSize(std::max(1, int(px(2.6))));
    painter.setFont(text);
    painter.setPen(Qt::black);
    painter.drawText(about, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, words);
}

QString calibration_words(
    const std::string& printer, const std::string& format, const Format_Adjustment& adjustment)
{
    const auto signed_mm
        = [](double mm) { return QString::fromStdString((mm > 0 ? "+" : "") + mm_text(mm)); };
    return QStringLiteral(
        "校正頁\n印表機：%1\n信封：%2\n印出時間：%3\n"
        "已含的移動：向右 %4、向下 %5 公釐%6\n\n"
        "印在一般的紙上，疊在信封上對著光看：紅色的框和十字應該落在信封的郵遞區號框"
        "和姓名框上。還差多少，就把它加進「列印設定」的移動量：正數向右、向下，"
        "負數向左、向上，都是看著信封正面說的。")
        .arg(QString::fromStdString(printer), QString::fromStdString(format),
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            signed_mm(adjustment.right_mm), signed_mm(adjustment.down_mm),
            adjustment.turned ? QStringLiteral("，轉 180°") : QString());
}

Printed_Job print_calibration(
    const std::string& printer, const std::string& format, const Printer_Settings& settings)
{
    const QString words = calibration_words(printer, format, settings.adjustment(format));
    return print_pages(printer, format, "Pelderwick 校正頁 " + format, settings,
        {[](int page) { return page == 0; },
            [&](QPainter& painter, double px_per_mm, int) {
                draw_calibration(painter, px_per_mm, envelope_format(format), words);
                return std::vector<Warning> {};
            },
            {}});
}
