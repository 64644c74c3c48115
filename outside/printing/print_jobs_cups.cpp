// The print system's own word on queues and jobs, through CUPS, each question on a connection
// of its own that gives up after a few seconds.

#include "print_jobs.h"

#include <cstring>
#include <cups/cups.h>
#include <memory>
#include <set>

namespace {

constexpr int answer_ms = 5000;

std::string system_reason()
{
    if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
        return "列印系統（CUPS）沒有在執行";
    const char* text = cupsLastErrorString();
    return text != nullptr && *text != '\0' ? text : "列印系統沒有回答";
}

// A connection to the print system whose every wait ends after `answer_ms`.
struct Connection
{
    std::unique_ptr<http_t, decltype(&httpClose)> http {nullptr, &httpClose};

    Connection()
    {
        http.reset(httpConnect2(
            cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, answer_ms, nullptr));
        if (http)
            httpSetTimeout(
                http.get(), answer_ms / 1000.0, [](http_t*, void*) { return 0; }, nullptr);
    }

    // The answer to `request` (taken), or nothing when there was none.
    std::unique_ptr<ipp_t, decltype(&ippDelete)> ask(ipp_t* request) const
    {
        if (!http) {
            ippDelete(request);
            return {nullptr, &ippDelete};
        }
        return {cupsDoRequest(http.get(), request, "/"), &ippDelete};
    }
};

ipp_t* request_about(ipp_op_t operation, const std::string& printer)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
        "/printers/%s", printer.c_str());
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(
        request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

void ask_for(ipp_t* request, std::initializer_list<const char*> attributes)
{
    const std::vector<const char*> names(attributes);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
        int(names.size()), nullptr, names.data());
}

bool answered(const std::unique_ptr<ipp_t, decltype(&ippDelete)>& response)
{
    return response && ippGetStatusCode(response.get()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

// Our jobs on the printer, `which` ("not-completed", "completed"), as number and name.
std::optional<std::map<int, std::string>> jobs_of(const std::string& printer, const char* which)
{
    ipp_t* request = request_about(IPP_OP_GET_JOBS, printer);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, which);
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
    ask_for(request, {"job-id", "job-name"});
    const auto response = Connection().ask(request);
    if (!answered(response))
        return std::nullopt;
    std::map<int, std::string> jobs;
    int id = 0;
    std::string name;
    for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a != nullptr;
         a = ippNextAttribute(response.get())) {
        const char* attribute = ippGetName(a);
        if (attribute == nullptr) { // between two jobs
            if (id > 0)
                jobs[id] = name;
            id = 0;
            name.clear();
        } else if (std::strcmp(attribute, "job-id") == 0) {
            id = ippGetInteger(a, 0);
        } else if (std::strcmp(attribute, "job-name") == 0) {
            const char* text = ippGetString(a, 0, nullptr);
            name = text != nullptr ? text : "";
        }
    }
    if (id > 0)
        jobs[id] = name;
    return jobs;
}

Job_State state_from(ipp_jstate_t state)
{
    switch (state) {
    case IPP_JSTATE_COMPLETED:
        return {Job_State::Stage::printed, {}};
    case IPP_JSTATE_CANCELED:
        return {Job_State::Stage::failed, "列印工作被取消了"};
    case IPP_JSTATE_ABORTED:
        return {Job_State::Stage::failed, "列印工作中止了"};
    case IPP_JSTATE_STOPPED:
        return {Job_State::Stage::failed, "列印工作停住了"};
    default:
        return {Job_State::Stage::going, {}}; // waiting, held or printing
    }
}

// One job no longer among those waiting or printing: how it ended.
Job_State ended_job(const std::string& printer, int job)
{
    ipp_t* request = request_about(IPP_OP_GET_JOB_ATTRIBUTES, printer);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
    ask_for(request, {"job-state"});
    const auto response = Connection().ask(request);
    if (!response)
        return {Job_State::Stage::unanswered, "列印系統沒有回應：" + system_reason()};
    if (ippGetStatusCode(response.get()) == IPP_STATUS_ERROR_NOT_FOUND)
        return {Job_State::Stage::unknown, "列印系統已經沒有這份工作的紀錄"};
    ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
    if (!answered(response) || state == nullptr)
        return {Job_State::Stage::unanswered, "列印系統沒有回答這份工作的狀態：" + system_reason()};
    return state_from(ipp_jstate_t(ippGetInteger(state, 0)));
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
    const char* accepting
        = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const char* printer_state = cupsGetOption("printer-state", dest->num_options, dest->options);
    if (accepting != nullptr && std::strcmp(accepting, "false") == 0)
        state = {false, "印表機「" + printer + "」不接受列印工作"};
    else if (printer_state != nullptr && std::strcmp(printer_state, "5") == 0)
        state = {false, "印表機「" + printer + "」已停止"};
    cupsFreeDests(1, dest);
    return state;
}

std::optional<int> job_named(const std::string& printer, const std::string& title)
{
    // Just handed over: still waiting or printing, or already done by a fast printer.
    for (const char* which : {"not-completed", "completed"}) {
        const auto jobs = jobs_of(printer, which);
        std::optional<int> found;
        for (const auto& [id, name] : jobs.value_or(std::map<int, std::string> {})) {
            if (name == title)
                found = id;
        }
        if (found)
            return found;
    }
    return std::nullopt;
}

std::map<int, Job_State> job_states(const std::string& printer, const std::vector<int>& jobs)
{
    std::map<int, Job_State> states;
    const auto going = jobs_of(printer, "not-completed");
    for (const int job : jobs) {
        if (!going)
            states[job] = {Job_State::Stage::unanswered, "列印系統沒有回應：" + system_reason()};
        else if (going->count(job) > 0)
            states[job] = {Job_State::Stage::going, {}};
        else
            states[job] = ended_job(printer, job);
    }
    return states;
}
