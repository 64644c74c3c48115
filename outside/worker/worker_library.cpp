#include "worker_library.h"

#include "exports.h"
#include "print_settings.h"
#include "printing.h"

#include <QDateTime>
#include <type_traits>

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
    const std::vector<Record>& requests, const std::string& asked_for)
{
    const std::string printer = printer_named(asked_for);
    // A name of its own, by which the print system's job is found.
    const std::string title = "Pelderwick "
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")).toStdString()
        + " (" + std::to_string(requests.size()) + ")";
    const Printed_Job job = print_envelopes(requests, printer, title, stored_settings(printer));
    return {printer, job.job, job.handed, job.reason, job.warnings};
}

extern "C" PELDERWICK_EXPORT std::map<int, Job_State> pelderwick_worker_job_states(
    const std::string& printer, const std::vector<int>& jobs)
{
    return job_states(printer, jobs);
}

extern "C" PELDERWICK_EXPORT bool pelderwick_worker_log_job(
    const Record& request, const Record& entry)
{
    return log_job(request, entry);
}

extern "C" PELDERWICK_EXPORT std::string pelderwick_worker_destination()
{
    return stored_destination();
}

extern "C" PELDERWICK_EXPORT std::string pelderwick_worker_settings_trouble()
{
    return settings_trouble();
}

static_assert(std::is_same_v<decltype(&pelderwick_worker_make), Make_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_log), Log_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_print), Print_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_job_states), Job_States_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_log_job), Log_Job_Entry>);
static_assert(std::is_same_v<decltype(&pelderwick_worker_destination), Destination_Entry>);
static_assert(
    std::is_same_v<decltype(&pelderwick_worker_settings_trouble), Settings_Trouble_Entry>);
