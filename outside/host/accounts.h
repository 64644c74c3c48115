#pragma once

// Everything the worker takes is accounted for: made, or told as not made; its line written at
// once, or told as not logged; and when it goes to a printer too, its press's job handed to the
// print system, or told as not printed. A job is followed to its end beside the work, never
// holding it up, asking the print system about the jobs followed alone; each job has its lines
// in the log: handed over or not, then how it ended, or that its end is unknown when the program
// ends first.

#include "host_qt.h"
#include "libraries.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class Accounts
{
public:
    // `printer`: where the envelopes go besides their files; empty for the files alone.
    Accounts(const Worker_Library& worker, const Host_Qt& host, Host_Session* session,
        std::string printer);
    ~Accounts();
    Accounts(const Accounts&) = delete;
    Accounts& operator=(const Accounts&) = delete;

    // On the worker's thread: one request, then the end of its press.
    void produce(const Record& request);
    void batch_done();

    // Waits for the jobs still followed, at most `patience`, or until `hurry` is set (the user
    // asked to end); every job still followed then gets its line as of unknown end. Says what
    // was not done. Not 0 when something was not made, not logged, not printed or not known to
    // be printed.
    int finish(std::chrono::milliseconds patience, const std::atomic<bool>& hurry);

    Worker_Progress progress;

private:
    struct Made
    {
        Record request;
        std::string file;
    };
    struct Followed
    {
        Print_Record job;
        Record request; // names the folder of the log
        int envelopes;
        std::string last_word; // why the print system's last answer was none
    };

    void account(const Record& request, const Production_Report& report);
    void print(std::vector<Made> run);
    void tell(const char* title, const std::string& message);
    void follow_jobs();
    void look_at_jobs(std::unique_lock<std::mutex>& lock);
    void job_ended(const Followed& followed, const Job_State& state);

    const Worker_Library& worker_;
    const Host_Qt& host_;
    Host_Session* session_;
    const std::string printer_;
    std::vector<Made> batch_;
    std::atomic<int> not_made_ {0};
    std::atomic<int> not_logged_ {0};
    std::atomic<int> not_printed_ {0}; // envelopes
    std::atomic<int> unknown_ {0}; // envelopes whose job's end is not known
    std::mutex mutex_;
    std::condition_variable jobs_changed_;
    std::set<std::string> told_once_;
    std::list<Followed> followed_;
    bool stopping_ = false;
    std::thread follower_;
};
