// The spooler on Windows: what Qt's printer information knows of the printers, and a job it
// accepted is all that is known of it here.

#include "print_jobs.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <stdexcept>

Printers list_printers()
{
    Printers listed;
    const QString standard = QPrinterInfo::defaultPrinterName();
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
        Printer_Info printer;
        printer.name = info.printerName().toStdString();
        printer.is_default = info.printerName() == standard;
        printer.ready = info.state() != QPrinter::Error;
        printer.state
            = printer.ready ? (info.state() == QPrinter::Active ? "列印中" : "待命") : "已停止";
        QPrinter device(info);
        const QList<QPrinter::PaperSource> sources = device.supportedPaperSources();
        if (sources.contains(QPrinter::Envelope) || sources.contains(QPrinter::EnvelopeManual))
            printer.sources.push_back(Paper_Source::envelope);
        if (sources.contains(QPrinter::Manual) || sources.contains(QPrinter::EnvelopeManual))
            printer.sources.push_back(Paper_Source::manual);
        listed.printers.push_back(std::move(printer));
    }
    return listed;
}

std::string printer_named(const std::string& name)
{
    const QString wanted = QString::fromStdString(name);
    for (const QString& printer : QPrinterInfo::availablePrinterNames()) {
        if (printer.compare(wanted, Qt::CaseInsensitive) == 0)
            return printer.toStdString();
    }
    return name;
}

Queue_State queue_state(const std::string& printer)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printer));
    if (info.isNull())
        return {false, "沒有「" + printer + "」這台印表機"};
    if (info.state() == QPrinter::Error)
        return {false, "印表機「" + printer + "」已停止"};
    return {};
}

int submit_document(const std::string& /*printer*/, const std::string& /*title*/,
    const std::string& /*path*/,
    const std::vector<std::pair<std::string, std::string>>& /*options*/)
{
    throw std::logic_error("the spooler takes a job as it is drawn");
}

void release_job(const std::string& /*printer*/, int /*job*/) { }

void withdraw_job(const std::string& /*printer*/, int /*job*/) { }

std::optional<int> job_named(const std::string& /*printer*/, const std::string& /*title*/)
{
    return 0;
}

std::map<int, Job_State> job_states(const std::string& /*printer*/, const std::vector<int>& jobs)
{
    std::map<int, Job_State> states;
    for (const int job : jobs)
        states[job] = {Job_State::Stage::queued, {}};
    return states;
}
