#include "outputs.h"

#include "lines.h"
#include "request_fields.h"

#include <QDateTime>
#include <algorithm>

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

std::string recipient_name(const Record& request)
{
    return std::get<std::string>(request.at(request_key::recipient_name));
}

std::string now_text()
{
    return QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
}

std::string job_words(const Followed_Jobs::Job& job)
{
    return "印表機「" + job.printed.printer + "」的列印工作"
        + (job.printed.handed ? " " + std::to_string(job.printed.job) : std::string()) + "（"
        + std::to_string(job.envelopes) + " 個信封：" + shown_name(job.recipients) + "）";
}

// The lines every line of a job begins with.
Record job_entry(const Followed_Jobs::Job& job)
{
    Record entry;
    if (job.printed.handed)
        entry["列印工作"] = static_cast<long long>(job.printed.job);
    entry["印表機"] = job.printed.printer;
    entry["信封數"] = static_cast<long long>(job.envelopes);
    entry["收件人"] = job.recipients;
    entry["時間"] = now_text();
    return entry;
}

const char* end_words(Job_State::Stage stage)
{
    switch (stage) {
    case Job_State::Stage::printed:
        return "已印出";
    case Job_State::Stage::failed:
        return "沒有印出";
    case Job_State::Stage::queued:
        return "已交給列印佇列";
    default:
        return "列印結果未知";
    }
}

} // namespace

void Worker_Progress::note_log_file(const std::string& name)
{
    const std::lock_guard lock(mutex_);
    log_file_ = name;
}

std::string Worker_Progress::log_file() const
{
    const std::lock_guard lock(mutex_);
    return log_file_.empty() ? "requests.jsonl" : log_file_;
}

void Worker_Progress::note_job(const Job& job)
{
    const std::lock_guard lock(mutex_);
    last_job_ = job;
}

std::optional<Worker_Progress::Job> Worker_Progress::last_job() const
{
    const std::lock_guard lock(mutex_);
    return last_job_;
}

Outputs::Outputs(Tell tell, std::string printer, std::unique_ptr<Print_Service> printing)
    : tell_(std::move(tell))
    , printer_(std::move(printer))
    , printing_(std::move(printing))
    , jobs_(*printing_,
          [this](const Followed_Jobs::Job& job, const Job_State& state) { heard(job, state); })
{ }

Outputs::~Outputs() = default;

void Outputs::press_begins(const std::vector<Record>& requests)
{
    // A press goes where the print settings send it when it begins: a printer chosen meanwhile
    // takes the next press. Its job's pages are drawn from then on, beside its files, and handed
    // over only once every file is made.
    pressing_ = true;
    press_printer_ = printer_.empty() ? printing_->destination() : printer_;
    if (press_printer_.empty() || requests.empty())
        return;
    const auto format = [](const Record& request) {
        return std::get<std::string>(request.at(request_key::format));
    };
    for (const Record& request : requests) {
        if (format(request) != format(requests.front()))
            return; // formats mixed: one job a format, drawn once the press is done
    }
    drawing_ = printing_->begin_job(press_printer_, format(requests.front()));
    if (drawing_ == nullptr)
        return;
    for (const Record& request : requests)
        drawing_->add(request);
    drawing_->close();
    drawn_ = requests.size();
}

Production_Report Outputs::produce(const Record& request)
{
    if (!pressing_)
        press_begins({});
    Production_Report report = make(request);
    report.printer = press_printer_;
    // Its line at once: what becomes of its print job follows in lines of the job's own.
    log(request, report);
    account(request, report);
    if (report.made && !press_printer_.empty())
        press_.push_back({request, report.file});
    else
        drawing_.reset(); // an envelope not made has nothing to print: given up, drawn anew
    return report;
}

void Outputs::press_done()
{
    // One press's envelopes are one job, one run of one format at a time.
    for (auto start = press_.begin(); start != press_.end();) {
        const auto& format = std::get<std::string>(start->request.at(request_key::format));
        const auto end = std::find_if(start, press_.end(), [&](const Made& made) {
            return std::get<std::string>(made.request.at(request_key::format)) != format;
        });
        // The job drawn beside the files holds the press's envelopes, where all were made.
        const bool whole
            = start == press_.begin() && end == press_.end() && press_.size() == drawn_;
        print(std::vector<Made>(start, end), whole ? drawing_.get() : nullptr);
        start = end;
    }
    press_.clear();
    drawing_.reset();
    drawn_ = 0;
    pressing_ = false;
    ++progress.presses;
}

void Outputs::reprint(const std::vector<Logged_Envelope>& envelopes)
{
    press_printer_ = printer_.empty() ? printing_->destination() : printer_;
    if (press_printer_.empty()) {
        not_printed_ += int(envelopes.size());
        tell_(
            "Pelderwick：信封沒有列印", "沒有選印表機：在「列印設定」選一台，或用 --printer 指定");
        return;
    }
    for (const Logged_Envelope& envelope : envelopes)
        press_.push_back({envelope.request, envelope.file});
    reprinting_ = true;
    press_done();
    reprinting_ = false;
}

// `drawn`: the job drawn beside the files, where it holds the envelopes of `run` alone.
void Outputs::print(const std::vector<Made>& run, Job_Builder* drawn)
{
    std::vector<Record> requests;
    std::string files;
    Followed_Jobs::Job job;
    for (const Made& made : run) {
        requests.push_back(made.request);
        files += (files.empty() ? "" : "\n") + made.file;
        job.recipients += (job.recipients.empty() ? "" : "、") + recipient_name(made.request);
    }
    job.printed
        = drawn != nullptr ? drawn->hand_over() : printing_->print(requests, press_printer_);
    job.request = requests.front();
    job.envelopes = int(run.size());
    progress.note_job({job.printed.printer, job.printed.job, job.printed.handed});
    // The job's line names its envelopes by their files, one a line.
    Record entry = job_entry(job);
    entry["檔案"] = files;
    if (reprinting_)
        entry["重印"] = true;
    entry["列印"] = std::string(job.printed.handed ? "已送印" : "沒有列印");
    if (!job.printed.handed)
        entry["列印原因"] = job.printed.reason;
    std::string warnings;
    for (const Warning& warning : job.printed.warnings) {
        warnings += (warnings.empty() ? "" : "；") + warning.text;
        tell_once(warning.text, "Pelderwick：請注意", warning.text);
    }
    if (!warnings.empty())
        entry["警告"] = warnings;
    if (!log_job(job.request, entry))
        ++not_logged_;
    if (!job.printed.handed) {
        not_printed_ += job.envelopes;
        tell_("Pelderwick：信封沒有列印",
            job_words(job) + "：" + job.printed.reason + "（PDF 檔已存好）");
        return;
    }
    jobs_.follow(std::move(job));
}

void Outputs::heard(const Followed_Jobs::Job& job, const Job_State& state)
{
    Record entry = job_entry(job);
    if (state.stage == Job_State::Stage::held) {
        // Waiting for someone to see to the printer or the job: told while it waits.
        entry["列印"] = std::string("等待中");
        entry["原因"] = state.reason;
        tell_("Pelderwick：信封還沒有印出", job_words(job) + "：" + state.reason);
    } else {
        entry["結果"] = std::string(end_words(state.stage));
        if (!state.reason.empty())
            entry["原因"] = state.reason;
        if (state.stage == Job_State::Stage::failed) {
            not_printed_ += job.envelopes;
            tell_("Pelderwick：信封沒有印出",
                job_words(job) + "：" + state.reason + "（PDF 檔已存好）");
        } else if (state.stage != Job_State::Stage::printed
            && state.stage != Job_State::Stage::queued) {
            unknown_ += job.envelopes;
            tell_("Pelderwick：信封列印結果未知",
                job_words(job) + "：" + state.reason + "（PDF 檔已存好）");
        }
    }
    if (!log_job(job.request, entry))
        ++not_logged_;
}

void Outputs::tell_once(const std::string& key, const char* title, const std::string& message)
{
    {
        const std::lock_guard lock(told_mutex_);
        if (!told_once_.insert(key).second)
            return;
    }
    tell_(title, message);
}

void Outputs::account(const Record& request, const Production_Report& report)
{
    const std::string who = "收件人「" + shown_name(recipient_name(request)) + "」：";
    if (report.logged)
        ++progress.logged;
    else
        ++not_logged_;
    if (!report.log_file.empty()) {
        progress.note_log_file(report.log_file);
        tell_once(report.log_file, "Pelderwick：請注意",
            "requests.jsonl 不能寫入，這個帳號的輸出紀錄寫在同一個資料夾的 " + report.log_file);
    }
    if (report.made) {
        ++progress.made;
    } else {
        ++not_made_;
        tell_("Pelderwick：信封沒有輸出", who + report.reason);
    }
    for (const Warning& warning : report.warnings) {
        if (warning.once_per_run)
            tell_once(warning.text, "Pelderwick：請注意", warning.text);
        else
            tell_("Pelderwick：請注意", who + warning.text);
    }
    ++progress.finished;
}

int Outputs::finish(std::chrono::milliseconds patience, const std::atomic<bool>& hurry)
{
    jobs_.finish(patience, hurry);
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
