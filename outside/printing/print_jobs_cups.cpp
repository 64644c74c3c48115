// The print system's own word on printers and jobs, through CUPS, each question on a connection
// of its own that gives up after a few seconds.

#include "print_jobs.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <cups/cups.h>
#include <memory>
#include <stdexcept>

namespace {

constexpr int answer_ms = 5000;

// When the print system last kept silent: for a while after, questions are not asked again, so
// that a print system behind a dead network costs its five seconds once, not at every question.
std::atomic<std::chrono::steady_clock::rep> last_silence {0};
constexpr auto silent_for = std::chrono::seconds(10);

using Answer = std::unique_ptr<ipp_t, decltype(&ippDelete)>;

// A connection to the print system whose every wait ends after `answer_ms`.
class Connection
{
public:
    Connection()
    {
        const auto asked = std::chrono::steady_clock::now();
        if (asked.time_since_epoch().count() - last_silence
            < std::chrono::steady_clock::duration(silent_for).count()) {
            timed_out_ = true;
            return;
        }
        http_.reset(httpConnect2(
            cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, answer_ms, nullptr));
        // Refused at once: nothing listens there. Given up on: something is there, silent.
        refused_ = !http_
            && std::chrono::steady_clock::now() - asked < std::chrono::milliseconds(answer_ms / 2);
        if (http_)
            httpSetTimeout(http_.get(), answer_ms / 1000.0, &Connection::give_up, this);
        else if (!refused_)
            kept_silent();
    }

    // A question asked on the connection, noting a silence: one that took all its time.
    template <typename Question> auto timed(Question question)
    {
        const auto asked = std::chrono::steady_clock::now();
        auto answer = question();
        if (std::chrono::steady_clock::now() - asked
            >= std::chrono::milliseconds(answer_ms * 4 / 5))
            kept_silent();
        return answer;
    }

    // The answer to `request` (taken), or nothing when there was none.
    Answer ask(ipp_t* request)
    {
        if (!http_) {
            ippDelete(request);
            return {nullptr, &ippDelete};
        }
        return timed([&] { return Answer(cupsDoRequest(http_.get(), request, "/"), &ippDelete); });
    }

    // Why there was no answer, in words.
    std::string silence() const
    {
        if (refused_)
            return "列印系統（CUPS）沒有在執行";
        if (!http_ || timed_out_)
            return "列印系統沒有回應";
        if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
            return "列印系統（CUPS）沒有在執行";
        return "列印系統沒有回答（代碼 " + std::to_string(int(cupsLastError())) + "）";
    }

    http_t* http() const { return http_.get(); }

    // Why an answer was a refusal or none, in words: the print system's own where it said one.
    std::string silence_or_word() const
    {
        if (timed_out_)
            return "列印系統沒有回應";
        const char* word = cupsLastErrorString();
        return word != nullptr && *word != '\0' ? word : silence();
    }

private:
    void kept_silent()
    {
        timed_out_ = true;
        last_silence = std::chrono::steady_clock::now().time_since_epoch().count();
    }

    static int give_up(http_t* /*http*/, void* self)
    {
        static_cast<Connection*>(self)->kept_silent();
        return 0;
    }

    std::unique_ptr<http_t, decltype(&httpClose)> http_ {nullptr, &httpClose};
    bool refused_ = false;
    bool timed_out_ = false;
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

bool answered(const Answer& response)
{
    return response && ippGetStatusCode(response.get()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

std::vector<std::string> strings_of(ipp_attribute_t* attribute)
{
    std::vector<std::string> values;
    for (int i = 0; attribute != nullptr && i < ippGetCount(attribute); ++i) {
        const char* value = ippGetString(attribute, i, nullptr);
        values.emplace_back(value != nullptr ? value : "");
    }
    return values;
}

// What a printer says of itself.
struct Printer_Word
{
    bool found = false;
    bool answered = false;
    std::string name; // the print system's own
    std::string silence; // why there was no answer
    ipp_pstate_t state = IPP_PSTATE_IDLE;
    bool accepting = true;
    std::vector<std::string> reasons;
    std::vector<std::string> sources;
    bool holds_jobs = false;
};

Printer_Word printer_word(Connection& connection, const std::string& printer)
{
    ipp_t* request = request_about(IPP_OP_GET_PRINTER_ATTRIBUTES, printer);
    ask_for(request,
        {"printer-name", "printer-state", "printer-state-reasons", "printer-is-accepting-jobs",
            "media-source-supported", "job-hold-until-default"});
    const Answer response = connection.ask(request);
    Printer_Word word;
    if (!response) {
        word.silence = connection.silence();
        return word;
    }
    word.answered = true;
    if (!answered(response))
        return word; // not found
    word.found = true;
    if (ipp_attribute_t* name = ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME))
        word.name = strings_of(name).empty() ? printer : strings_of(name).front();
    if (ipp_attribute_t* state = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM))
        word.state = ipp_pstate_t(ippGetInteger(state, 0));
    if (ipp_attribute_t* accepting
        = ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
        word.accepting = ippGetBoolean(accepting, 0) != 0;
    word.reasons
        = strings_of(ippFindAttribute(response.get(), "printer-state-reasons", IPP_TAG_KEYWORD));
    word.sources
        = strings_of(ippFindAttribute(response.get(), "media-source-supported", IPP_TAG_KEYWORD));
    const std::vector<std::string> hold
        = strings_of(ippFindAttribute(response.get(), "job-hold-until-default", IPP_TAG_ZERO));
    word.holds_jobs = !hold.empty() && hold.front() != "no-hold";
    return word;
}

std::string stopped_words(const std::string& printer, const Printer_Word& word)
{
    const std::string why = printer_reasons_in_words(word.reasons);
    return "印表機「" + printer + "」停了" + (why.empty() ? "" : "：" + why);
}

// Our jobs on the printer, `which` ("not-completed", "completed"): number, name, state and the
// state's reasons.
struct Job_Word
{
    std::string name;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    std::vector<std::string> reasons;
};

std::optional<std::map<int, Job_Word>> jobs_of(
    Connection& connection, const std::string& printer, const char* which)
{
    ipp_t* request = request_about(IPP_OP_GET_JOBS, printer);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, which);
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
    ask_for(request, {"job-id", "job-name", "job-state", "job-state-reasons"});
    const Answer response = connection.ask(request);
    if (!answered(response))
        return std::nullopt;
    std::map<int, Job_Word> jobs;
    int id = 0;
    Job_Word job;
    const auto keep = [&] {
        if (id > 0)
            jobs[id] = job;
        id = 0;
        job = {};
    };
    for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a != nullptr;
         a = ippNextAttribute(response.get())) {
        const char* attribute = ippGetName(a);
        if (attribute == nullptr)
            keep(); // between two jobs
        else if (std::strcmp(attribute, "job-id") == 0)
            id = ippGetInteger(a, 0);
        else if (std::strcmp(attribute, "job-name") == 0)
            job.name = strings_of(a).empty() ? std::string() : strings_of(a).front();
        else if (std::strcmp(attribute, "job-state") == 0)
            job.state = ipp_jstate_t(ippGetInteger(a, 0));
        else if (std::strcmp(attribute, "job-state-reasons") == 0)
            job.reasons = strings_of(a);
    }
    keep();
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
    default:
        return {Job_State::Stage::going, {}};
    }
}

// A job still waiting or printing: held by something besides its turn, or going.
Job_State waiting(const Job_Word& job, const std::string& printer, const Printer_Word& word)
{
    if (job.state == IPP_JSTATE_HELD)
        return {Job_State::Stage::held, "列印工作被擱置了，要有人在列印系統讓它繼續才會印"};
    if (job.state == IPP_JSTATE_STOPPED || (word.found && word.state == IPP_PSTATE_STOPPED))
        return {Job_State::Stage::held, stopped_words(printer, word)};
    return {Job_State::Stage::going, {}};
}

// One job no longer among those waiting or printing: how it ended.
Job_State ended_job(Connection& connection, const std::string& printer, int job)
{
    ipp_t* request = request_about(IPP_OP_GET_JOB_ATTRIBUTES, printer);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
    ask_for(request, {"job-state"});
    const Answer response = connection.ask(request);
    if (!response)
        return {Job_State::Stage::unanswered, connection.silence()};
    if (ippGetStatusCode(response.get()) == IPP_STATUS_ERROR_NOT_FOUND)
        return {Job_State::Stage::unknown, "列印系統已經沒有這份工作的紀錄"};
    ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
    if (!answered(response) || state == nullptr)
        return {Job_State::Stage::unanswered, connection.silence()};
    return state_from(ipp_jstate_t(ippGetInteger(state, 0)));
}

std::vector<Paper_Source> sources_of(const std::vector<std::string>& keywords)
{
    std::vector<Paper_Source> sources;
    for (const std::string& keyword : keywords) {
        if (keyword.starts_with("envelope") && sources.empty())
            sources.push_back(Paper_Source::envelope);
    }
    for (const std::string& keyword : keywords) {
        if (keyword == "manual" || keyword == "by-pass-tray") {
            sources.push_back(Paper_Source::manual);
            break;
        }
    }
    return sources;
}

std::string state_in_words(const std::string& printer, const Printer_Word& word)
{
    if (!word.accepting)
        return "不接受列印工作";
    if (word.state == IPP_PSTATE_STOPPED)
        return stopped_words(printer, word).substr(("印表機「" + printer + "」").size());
    return word.state == IPP_PSTATE_PROCESSING ? "列印中" : "待命";
}

} // namespace

Printers list_printers()
{
    Connection connection;
    Printers listed;
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddString(
        request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ask_for(request,
        {"printer-name", "printer-state", "printer-state-reasons", "printer-is-accepting-jobs",
            "media-source-supported", "job-hold-until-default"});
    const Answer response = connection.ask(request);
    if (!response) {
        listed.trouble = connection.silence();
        return listed;
    }
    // The user's default (lpoptions, LPDEST, PRINTER), else the print system's.
    const char* standard = connection.timed([&] { return cupsGetDefault2(connection.http()); });
    const std::string default_name = standard != nullptr ? standard : "";
    Printer_Word word;
    std::string name;
    const auto keep = [&] {
        if (!name.empty()) {
            word.found = true;
            Printer_Info info;
            info.name = name;
            info.is_default = name == default_name;
            info.ready = word.accepting && word.state != IPP_PSTATE_STOPPED;
            info.state = state_in_words(name, word);
            info.sources = sources_of(word.sources);
            listed.printers.push_back(std::move(info));
        }
        name.clear();
        word = {};
    };
    for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a != nullptr;
         a = ippNextAttribute(response.get())) {
        const char* attribute = ippGetName(a);
        if (attribute == nullptr)
            keep(); // between two printers
        else if (std::strcmp(attribute, "printer-name") == 0)
            name = strings_of(a).empty() ? std::string() : strings_of(a).front();
        else if (std::strcmp(attribute, "printer-state") == 0)
            word.state = ipp_pstate_t(ippGetInteger(a, 0));
        else if (std::strcmp(attribute, "printer-is-accepting-jobs") == 0)
            word.accepting = ippGetBoolean(a, 0) != 0;
        else if (std::strcmp(attribute, "printer-state-reasons") == 0)
            word.reasons = strings_of(a);
        else if (std::strcmp(attribute, "media-source-supported") == 0)
            word.sources = strings_of(a);
    }
    keep();
    return listed;
}

std::string printer_named(const std::string& name)
{
    Connection connection;
    const Printer_Word word = printer_word(connection, name);
    return word.found && !word.name.empty() ? word.name : name;
}

Queue_State queue_state(const std::string& printer)
{
    Connection connection;
    const Printer_Word word = printer_word(connection, printer);
    if (!word.answered)
        return {false, word.silence};
    if (!word.found)
        return {false, "沒有「" + printer + "」這台印表機"};
    if (!word.accepting)
        return {false, "印表機「" + printer + "」不接受列印工作"};
    if (word.state == IPP_PSTATE_STOPPED)
        return {false, stopped_words(printer, word)};
    return {true, {}, word.holds_jobs};
}

std::optional<int> job_named(const std::string& printer, const std::string& title)
{
    Connection connection;
    // Just handed over: still waiting or printing, or already done by a fast printer.
    for (const char* which : {"not-completed", "completed"}) {
        std::optional<int> found;
        for (const auto& [id, job] :
            jobs_of(connection, printer, which).value_or(std::map<int, Job_Word> {})) {
            if (job.name == title)
                found = id;
        }
        if (found)
            return found;
    }
    return std::nullopt;
}

std::map<int, Job_State> job_states(const std::string& printer, const std::vector<int>& jobs)
{
    Connection connection;
    std::map<int, Job_State> states;
    const auto going = jobs_of(connection, printer, "not-completed");
    if (!going) {
        for (const int job : jobs)
            states[job] = {Job_State::Stage::unanswered, connection.silence()};
        return states;
    }
    // What holds the jobs still waiting, if anything does: asked once for all of them.
    std::optional<Printer_Word> word;
    for (const int job : jobs) {
        const auto found = going->find(job);
        if (found == going->end()) {
            states[job] = ended_job(connection, printer, job);
            continue;
        }
        if (!word)
            word = printer_word(connection, printer);
        states[job] = waiting(found->second, printer, *word);
    }
    return states;
}

int submit_document(const std::string& printer, const std::string& title, const std::string& path,
    const std::vector<std::pair<std::string, std::string>>& options)
{
    cups_option_t* cups_options = nullptr;
    int count = 0;
    for (const auto& [name, value] : options)
        count = cupsAddOption(name.c_str(), value.c_str(), count, &cups_options);
    Connection connection;
    // One request with the document in it (Print-Job), as the print system's own tools send.
    const int job = connection.http() == nullptr ? 0 : connection.timed([&] {
        return cupsPrintFile2(
            connection.http(), printer.c_str(), path.c_str(), title.c_str(), count, cups_options);
    });
    cupsFreeOptions(count, cups_options);
    if (job == 0)
        throw std::runtime_error("印表機「" + printer + "」沒有收下這份工作："
            + (connection.http() == nullptr ? connection.silence() : connection.silence_or_word()));
    return job;
}

namespace {

void job_operation(ipp_op_t operation, const std::string& printer, int job, const char* words)
{
    ipp_t* request = request_about(operation, printer);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
    if (operation == IPP_OP_CANCEL_JOB)
        ippAddBoolean(request, IPP_TAG_OPERATION, "purge-job", 1);
    Connection connection;
    if (!answered(connection.ask(request)))
        throw std::runtime_error(
            "列印工作 " + std::to_string(job) + words + connection.silence_or_word());
}

} // namespace

void release_job(const std::string& printer, int job)
{
    job_operation(IPP_OP_RELEASE_JOB, printer, job, " 沒有開始印：");
}

void withdraw_job(const std::string& printer, int job)
{
    job_operation(IPP_OP_CANCEL_JOB, printer, job, " 沒有收回：");
}
