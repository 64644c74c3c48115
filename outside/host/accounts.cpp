#include "accounts.h"

#include "lines.h"
#include "request_fields.h"

#include <algorithm>
#include <iterator>

namespace {

// A name as messages show it: its first 20 characters, and "…" where it goes on (the log has it
// whole).
std::string shown_name(const std::string& name)
{
    if (name.empty())
        return "（無）";
    std::size_t end = 0;
    for (int characters = 0; end < name.size(); ++end) {
        const bool starts_character = (static_cast<unsigned char>(name[end]) & 0xC0) != 0x80;
        if (starts_character && characters++ == 20)
            return name.substr(0, end) + "…";
    }
    return name;
}

std::string recipient_of(const Record& request)
{
    return "收件人「" + shown_name(std::get<std::string>(request.at(request_key::recipient_name)))
        + "」：";
}

} // namespace

Accounts::Accounts(
    const Worker_Library& worker, const Host_Qt& host, Host_Session* session, std::string printer)
    : worker_(worker)
    , host_(host)
    , session_(session)
    , printer_(std::move(printer))
    , follower_([this] { follow_jobs(); })
{ }

Accounts::~Accounts()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobs_changed_.notify_all();
    follower_.join();
}

void Accounts::produce(const Record& request)
{
    if (printer_.empty()) {
        account(request, worker_.produce(request));
        return;
    }
    // Its line is written once it is printed too; one that was not made has nothing to print.
    Production_Report report = worker_.make(request);
    if (report.made) {
        batch_.push_back({request, std::move(report)});
        return;
    }
    worker_.log(request, report);
    account(request, report);
}

void Accounts::batch_done()
{
    if (batch_.empty())
        return;
    // One press's envelopes are one job, one run of one format at a time.
    for (auto start = batch_.begin(); start != batch_.end();) {
        const auto& format = std::get<std::string>(start->request.at(request_key::format));
        auto end = std::find_if(start, batch_.end(), [&](const Made_Envelope& made) {
            return std::get<std::string>(made.request.at(request_key::format)) != format;
        });
        std::vector<Made_Envelope> run(
            std::make_move_iterator(start), std::make_move_iterator(end));
        const Print_Record job = worker_.print(run, printer_);
        for (Made_Envelope& made : run) {
            worker_.log(made.request, made.report);
            account(made.request, made.report);
        }
        if (job.handed) {
            std::lock_guard lock(mutex_);
            followed_.push_back({job, run.front().request, int(run.size())});
            jobs_changed_.notify_all();
        }
        start = end;
    }
    batch_.clear();
}

void Accounts::tell(const char* title, const std::string& message)
{
    host_.tell(session_, title, message);
}

void Accounts::account(const Record& request, const Production_Report& report)
{
    const std::string who = recipient_of(request);
    if (report.logged)
        ++progress.logged;
    else
        ++not_logged_;
    if (report.made) {
        ++progress.made;
    } else {
        ++not_made_;
        tell("Pelderwick：信封沒有輸出", who + report.reason);
    }
    if (report.printed && !report.printed->handed) {
        ++not_printed_;
        tell("Pelderwick：信封沒有列印", who + report.printed->reason + "（PDF 檔已存好）");
    }
    for (const Warning& warning : report.warnings) {
        std::unique_lock lock(mutex_);
        if (warning.once_per_run && !told_once_.insert(warning.text).second)
            continue;
        lock.unlock();
        tell("Pelderwick：請注意", warning.once_per_run ? warning.text : who + warning.text);
    }
    ++progress.finished;
}

void Accounts::follow_jobs()
{
    std::unique_lock lock(mutex_);
    while (!stopping_ || !followed_.empty()) {
        jobs_changed_.wait_for(lock, std::chrono::milliseconds(500));
        for (auto job = followed_.begin(); job != followed_.end();) {
            const Followed followed = *job;
            lock.unlock();
            const std::optional<Job_Outcome> end = worker_.job_end(followed.job);
            if (end && !worker_.log_job(followed.request, followed.job, followed.envelopes, *end))
                ++not_logged_;
            if (end && end->failed) {
                ++not_printed_;
                tell("Pelderwick：信封沒有印出",
                    "印表機「" + followed.job.printer + "」的列印工作 "
                        + std::to_string(followed.job.job) + "（"
                        + std::to_string(followed.envelopes) + " 個信封）：" + end->reason
                        + "（PDF 檔已存好）");
            }
            lock.lock();
            job = end ? followed_.erase(job) : std::next(job);
        }
        jobs_changed_.notify_all();
        if (stopping_)
            break;
    }
}

int Accounts::finish(std::chrono::milliseconds patience)
{
    std::unique_lock lock(mutex_);
    jobs_changed_.wait_for(lock, patience, [this] { return followed_.empty(); });
    const auto still_printing = followed_.size();
    lock.unlock();
    if (still_printing > 0)
        say_line("Pelderwick: " + std::to_string(still_printing)
            + " print jobs still printing; the print system has them");
    const int not_made = not_made_.load();
    const int not_logged = not_logged_.load();
    const int not_printed = not_printed_.load();
    if (not_made == 0 && not_logged == 0 && not_printed == 0)
        return 0;
    report_line("Pelderwick: " + std::to_string(progress.finished.load()) + " requests, "
        + std::to_string(not_made) + " of them not made, " + std::to_string(not_logged)
        + " not written in requests.jsonl, " + std::to_string(not_printed)
        + " not printed (see above)");
    return 1;
}
