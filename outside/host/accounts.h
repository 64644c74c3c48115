#pragma once

// Everything the worker takes is accounted for: made, or told as not made; logged, or told as
// not logged; and when it goes to a printer too, handed to the print system and printed, or told
// as not printed. A print job is followed to its end beside the work, never holding it up, and
// its end is a line of its own in the log.

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

    // On the worker's thread: one request, then the end of the requests handed over with it.
    void produce(const Record& request);
    void batch_done();

    // Waits for the jobs still followed, at most `patience`; says what was not done, in numbers.
    // Not 0 when something was not made, not logged or not printed.
    int finish(std::chrono::milliseconds patience);

    Worker_Progress progress;

private:
    struct Followed
    {
        Print_Record job;
        Record request; // names the folder of the log
        int envelopes;
    };

    void account(const Record& request, const Production_Report& report);
    void tell(const char* title, const std::string& message);
    void follow_jobs();

    const Worker_Library& worker_;
    const Host_Qt& host_;
    Host_Session* session_;
    const std::string printer_;
    std::vector<Made_Envelope> batch_;
    std::atomic<int> not_made_ {0};
    std::atomic<int> not_logged_ {0};
    std::atomic<int> not_printed_ {0};
    std::mutex mutex_;
    std::condition_variable jobs_changed_;
    std::set<std::string> told_once_;
    // A list: the follower keeps its place in it, unlocked, while the worker adds jobs.
    std::list<Followed> followed_;
    bool stopping_ = false;
    std::thread follower_;
};
