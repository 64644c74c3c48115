#include "accounts.h"

#include "lines.h"
#include "request_fields.h"

#include <algorithm>
#include <map>

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

std::string job_words(const Print_Record& job, int envelopes)
{
    return "印表機「" + job.printer + "」的列印工作"
        + (job.handed ? " " + std::to_string(job.job) : std::string()) + "（"
        + std::to_string(envelopes) + " 個信封）";
}

// The job's line when it is handed over, or not: its envelopes named by their files.
Record handed_entry(const Print_Record& job, const std::vector<std::string>& files)
{
    Record entry;
    if (job.handed)
        entry["列印工作"] = static_cast<long long>(job.job);
    entry["印表機"] = job.printer;
    entry["信封數"] = static_cast<long long>(files.size());
    std::string names;
    for (const std::string& file : files)
        names += (names.empty() ? "" : "\n") + file;
    entry["檔案"] = names;
    entry["列印"] = std::string(job.handed ? "已送印" : "沒有列印");
    if (!job.handed)
        entry["列印原因"] = job.reason;
    return entry;
}

// The job's line once it has ended, or once the program ends before it is known to have.
Record end_entry(const Print_Record& job, int envelopes, const Job_State& state)
{
    Record entry;
    entry["列印工作"] = static_cast<long long>(job.job);
    entry["印表機"] = job.printer;
    entry["信封數"] = static_cast<long long>(envelopes);
    using Stage = Job_State::Stage;
    entry["結果"] = std::string(state.stage == Stage::printed ? "已印出"
            : state.stage == Stage::failed                    ? "沒有印出"
            : state.stage == Stage::queued                    ? "已交給列印佇列"
                                                              : "列印結果未知");
    if (!state.reason.empty())
        entry["原因"] = state.reason;
    return entry;
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
    // Its line at once: what became of its print job follows in lines of the job's own.
    Production_Report report = worker_.make(request);
    report.printer = printer_;
    worker_.log(request, report);
    account(request, report);
    if (report.made && !printer_.empty())
        batch_.push_back({request, report.file});
}

void Accounts::batch_done()
{
    // One press's envelopes are one job, one run of one format at a time.
    for (auto start = batch_.begin(); start != batch_.end();) {
        const auto& format = std::get<std::string>(start->request.at(request_key::format));
        auto end = std::find_if(start, batch_.end(), [&](const Made& made) {
            return std::get<std::string>(made.request.at(request_key::format)) != format;
        });
        print(std::vector<Made>(std::make_move_iterator(start), std::make_move_iterator(end)));
        start = end;
    }
    batch_.clear();
}

void Accounts::print(std::vector<Made> run)
{
    std::vector<Record> requests;
    std::vector<std::string> files;
    for (const Made& made : run) {
        requests.push_back(made.request);
        files.push_back(made.file);
    }
    const int envelopes = int(run.size());
    const Print_Record job = worker_.print(requests, printer_);
    if (!worker_.log_job(requests.front(), handed_entry(job, files)))
        ++not_logged_;
    for (const Warning& warning : job.warnings)
        tell("Pelderwick：請注意", warning.text);
    if (!job.handed) {
        not_printed_ += envelopes;
        tell("Pelderwick：信封沒有列印",
            job_words(job, envelopes) + "：" + job.reason + "（PDF 檔已存好）");
        return;
    }
    {
        std::lock_guard lock(mutex_);
        followed_.push_back({job, requests.front(), envelopes, {}});
    }
    jobs_changed_.notify_all();
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
    if (!report.log_file.empty()) {
        progress.note_log_file(report.log_file);
        std::unique_lock lock(mutex_);
        if (told_once_.insert(report.log_file).second) {
            lock.unlock();
            tell("Pelderwick：請注意",
                "requests.jsonl 不能寫入，這個帳號的輸出紀錄寫在同一個資料夾的 " + report.log_file);
        }
    }
    if (report.made) {
        ++progress.made;
    } else {
        ++not_made_;
        tell("Pelderwick：信封沒有輸出", who + report.reason);
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
    while (!stopping_) {
        jobs_changed_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; });
        if (!stopping_ && !followed_.empty())
            look_at_jobs(lock);
    }
}

// Asks the print system about the jobs followed, each printer once, with the lock released.
void Accounts::look_at_jobs(std::unique_lock<std::mutex>& lock)
{
    std::map<std::string, std::vector<int>> asked;
    for (const Followed& followed : followed_)
        asked[followed.job.printer].push_back(followed.job.job);
    lock.unlock();
    std::map<std::string, std::map<int, Job_State>> told;
    for (const auto& [printer, jobs] : asked)
        told[printer] = worker_.job_states(printer, jobs);
    lock.lock();
    std::vector<std::pair<Followed, Job_State>> ended;
    for (auto job = followed_.begin(); job != followed_.end();) {
        const auto& states = told[job->job.printer];
        const auto state = states.find(job->job.job);
        if (state == states.end() || !state->second.ended()) {
            if (state != states.end())
                job->last_word = state->second.reason;
            ++job;
            continue;
        }
        ended.emplace_back(std::move(*job), state->second);
        job = followed_.erase(job);
    }
    lock.unlock();
    for (const auto& [followed, state] : ended)
        job_ended(followed, state);
    lock.lock();
    jobs_changed_.notify_all();
}

void Accounts::job_ended(const Followed& followed, const Job_State& state)
{
    if (!worker_.log_job(followed.request, end_entry(followed.job, followed.envelopes, state)))
        ++not_logged_;
    const std::string job = job_words(followed.job, followed.envelopes);
    if (state.stage == Job_State::Stage::failed) {
        not_printed_ += followed.envelopes;
        tell("Pelderwick：信封沒有印出", job + "：" + state.reason + "（PDF 檔已存好）");
    } else if (state.stage == Job_State::Stage::unknown) {
        unknown_ += followed.envelopes;
        tell("Pelderwick：信封列印結果未知", job + "：" + state.reason + "（PDF 檔已存好）");
    }
}

int Accounts::finish(std::chrono::milliseconds patience, const std::atomic<bool>& hurry)
{
    const auto until = std::chrono::steady_clock::now() + patience;
    std::unique_lock lock(mutex_);
    while (!followed_.empty() && !hurry && std::chrono::steady_clock::now() < until)
        jobs_changed_.wait_for(lock, std::chrono::milliseconds(100));
    std::list<Followed> left;
    left.swap(followed_);
    stopping_ = true;
    lock.unlock();
    jobs_changed_.notify_all();
    for (const Followed& followed : left)
        job_ended(followed,
            {Job_State::Stage::unknown,
                followed.last_word.empty() ? "程式結束時還沒有印完，列印系統還留著這份工作"
                                           : followed.last_word});
    const int not_made = not_made_.load();
    const int not_logged = not_logged_.load();
    const int not_printed = not_printed_.load();
    const int unknown = unknown_.load();
    if (not_made == 0 && not_logged == 0 && not_printed == 0 && unknown == 0)
        return 0;
    report_line("Pelderwick：" + std::to_string(progress.finished.load()) + " 個信封中，"
        + std::to_string(not_made) + " 個沒有輸出，" + std::to_string(not_logged)
        + " 筆紀錄沒有寫進 requests.jsonl，" + std::to_string(not_printed) + " 個沒有印出，"
        + std::to_string(unknown) + " 個不知道有沒有印出（見上）");
    return 1;
}
