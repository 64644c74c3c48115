// The print system's own word on queues and jobs, through CUPS.

#include "print_jobs.h"

#include <cstring>
#include <cups/cups.h>

namespace {

std::string system_reason()
{
    if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
        return "列印系統（CUPS）沒有在執行";
    const char* text = cupsLastErrorString();
    return text != nullptr ? text : "列印系統沒有回答";
}

const char* option(const cups_dest_t& dest, const char* name)
{
    return cupsGetOption(name, dest.num_options, dest.options);
}

// Every job of ours on the printer, finished ones too; calls `each` until it says it is done.
template <typename Each> void for_each_job(const std::string& printer, Each each)
{
    cups_job_t* jobs = nullptr;
    const int count
        = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.c_str(), 1, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < count && !each(jobs[i]); ++i) { }
    cupsFreeJobs(count, jobs);
}

} // namespace

Queue_State queue_state(const std::string& printer)
{
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.c_str(), nullptr);
    if (dest == nullptr)
        return {false,
            cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE
                ? system_reason()
                : "沒有「" + printer + "」這台印表機"};
    Queue_State state;
    const char* accepting = option(*dest, "printer-is-accepting-jobs");
    const char* printer_state = option(*dest, "printer-state");
    if (accepting != nullptr && std::strcmp(accepting, "false") == 0)
        state = {false, "印表機「" + printer + "」不接受列印工作"};
    else if (printer_state != nullptr && std::strcmp(printer_state, "5") == 0)
        state = {false, "印表機「" + printer + "」已停止"};
    cupsFreeDests(1, dest);
    return state;
}

std::optional<int> job_named(const std::string& printer, const std::string& title)
{
    std::optional<int> found;
    for_each_job(printer, [&](const cups_job_t& job) {
        if (job.title != nullptr && title == job.title && (!found || job.id > *found))
            found = job.id;
        return false;
    });
    return found;
}

std::optional<Job_End> job_end(const std::string& printer, int job)
{
    std::optional<Job_End> end;
    bool seen = false;
    for_each_job(printer, [&](const cups_job_t& each) {
        if (each.id != job)
            return false;
        seen = true;
        switch (each.state) {
        case IPP_JSTATE_COMPLETED:
            end = Job_End {true, false, {}};
            break;
        case IPP_JSTATE_CANCELED:
            end = Job_End {false, true, "列印工作被取消了"};
            break;
        case IPP_JSTATE_ABORTED:
            end = Job_End {false, true, "列印工作中止了"};
            break;
        case IPP_JSTATE_STOPPED:
            end = Job_End {false, true, "列印工作停住了"};
            break;
        default:
            break; // waiting, held or printing
        }
        return true;
    });
    if (!seen)
        return Job_End {false, true, "列印系統找不到這份工作：" + system_reason()};
    return end;
}
