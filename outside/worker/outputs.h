#pragma once

// What becomes of each request the worker takes, in one place, on the worker's thread: its
// envelope made and its line written at once; a press's envelopes, where they go to a printer
// too, handed over as one job with lines of its own ("列印": "已送印" or "沒有列印"); the job
// followed to its end (followed_jobs.h), which is a line of its own again. Everything is
// accounted for: made or told as not made, logged or told as not logged, printed or told as not
// printed, or as not known to be.

#include "followed_jobs.h"
#include "print_service.h"
#include "production.h"
#include "reprint.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

// How far the worker has come with the requests handed to it.
struct Worker_Progress
{
    std::atomic<int> finished {0}; // made or not
    std::atomic<int> made {0};
    std::atomic<int> logged {0}; // its line written in the log
    std::atomic<int> presses {0}; // done with, printed where they were to be

    // The last press's job, where it went to a printer: "EnvPDF", job 12.
    struct Job
    {
        std::string printer;
        int number = 0;
        bool handed = false;
    };

    void note_log_file(const std::string& name);
    // The log the lines went to: requests.jsonl, or another account's (on Windows).
    std::string log_file() const;
    void note_job(const Job& job);
    std::optional<Job> last_job() const;

private:
    mutable std::mutex mutex_;
    std::string log_file_;
    std::optional<Job> last_job_;
};

class Outputs
{
public:
    // Where the user is told: one line on standard error, and a notification.
    using Tell = std::function<void(const std::string& title, const std::string& message)>;

    // `printer`: this run's printer (the command line's); empty: where the print settings send
    // the envelopes, asked again at each press.
    Outputs(Tell tell, std::string printer, std::unique_ptr<Print_Service> printing);
    ~Outputs();
    Outputs(const Outputs&) = delete;
    Outputs& operator=(const Outputs&) = delete;

    // On the worker's thread: a press's requests as it begins, each of them, and its end. A
    // press's job is drawn beside its files from the moment it begins.
    void press_begins(const std::vector<Record>& requests);
    Production_Report produce(const Record& request);
    void press_done();

    // Envelopes printed again, drawn anew from their logged requests, as one press; their files
    // stay as they are, and the job's lines say it is a reprint ("重印").
    void reprint(const std::vector<Logged_Envelope>& envelopes);

    // Waits for the jobs still followed, at most `patience`, or until `hurry` is set (the user
    // asked to end); every job still followed gets its line as of unknown end. Says what was not
    // done; not 0 when something was not made, logged, printed or known to be printed.
    int finish(std::chrono::milliseconds patience, const std::atomic<bool>& hurry);

    Worker_Progress progress;

private:
    struct Made
    {
        Record request;
        std::string file;
    };

    void account(const Record& request, const Production_Report& report);
    void print(const std::vector<Made>& run, Job_Builder* drawn);
    void heard(const Followed_Jobs::Job& job, const Job_State& state);
    void tell_once(const std::string& key, const char* title, const std::string& message);

    Tell tell_;
    const std::string printer_;
    std::unique_ptr<Print_Service> printing_;
    bool pressing_ = false; // a press is being made
    std::string press_printer_; // where it goes
    std::unique_ptr<Job_Builder> drawing_; // its job, drawn beside its files while all are made
    std::size_t drawn_ = 0; // the envelopes in it
    bool reprinting_ = false;
    std::vector<Made> press_;
    std::atomic<int> not_made_ {0};
    std::atomic<int> not_logged_ {0};
    std::atomic<int> not_printed_ {0}; // envelopes
    std::atomic<int> unknown_ {0}; // envelopes whose job's end is not known
    std::mutex told_mutex_;
    std::set<std::string> told_once_;
    Followed_Jobs jobs_; // last, so first to go: its thread may still pass news on
};
