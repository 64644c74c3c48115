#include "worker_library.h"

#include "exports.h"
#include "print_jobs.h"
#include "print_settings.h"
#include "printing.h"

#include <QDateTime>
#include <type_traits>

extern "C" PELDERWICK_EXPORT Production_Report pelderwick_worker_produce(const Record& request)
{
    return produce(request);
}

extern "C" PELDERWICK_EXPORT Production_Report pelderwick_worker_make(const Record& request)
{
    return make(request);
}

extern "C" PELDERWICK_EXPORT void pelderwick_worker_log(
    const Record& request, Production_Report& report)
{
    log(request, report);
}

extern "C" PELDERWICK_EXPORT Print_Record pelderwick_worker_print(
    std::vector<Made_Envelope>& made, const std::string& printer)
{
    std::vector<Record> requests;
    requests.reserve(made.size());
    for (const Made_Envelope& envelope : made)
        requests.push_back(envelope.request);
    // A name of its own, by which the print system's job is found.
    const std::string title = "Pelderwick "
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")).toStdString()
        + " (" + std::to_string(requests.size()) + ")";
    const Printed_Job job = print_envelopes(requests, printer, title, stored_settings(printer));
    Print_Record record {printer, job.job, job.handed, job.reason};
    for (Made_Envelope& envelope : made) {
        envelope.report.printed = record;
        envelope.report.warnings.insert(
            envelope.report.warnings.end(), job.warnings.begin(), job.warnings.end());
    }
    return record;
}

extern "C" PELDERWICK_EXPORT std::optional<Job_Outcome> pelderwick_worker_job_end(
    const Print_Record& job)
{
    const std::optional<Job_End> end = job_end(job.printer, job.job);
    if (!end)
        return std::nullopt;
    return Job_Outcome {end->printed, end->failed, end->reason};
}

extern "C" PELDERWICK_EXPORT bool pelderwick_worker_log_job(
    const Record& request, const Print_Record& job, int envelopes, const Job_Outcome& outcome)
{
    return log_job(
        request, job_entry(job, envelopes, outcome.printed, outcome.failed, outcome.reason));
}

extern "C" PELDERWICK_EXPORT std::string pelderwick_worker_destination()
{
    return stored_destination();
}

static_assert(std::is_same_v<decltype(&pelderwick_worker_produce), Produce_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_make), Make_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_log), Log_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_print), Print_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_job_end), Job_End_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_log_job), Log_Job_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_destination), Destination_Entry>);
