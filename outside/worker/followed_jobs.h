#pragma once

// The print jobs handed over, followed to their end on a thread of their own, beside the work and
// never holding it up: the one owner of the jobs being followed. It asks the print system about
// those jobs alone, and passes on what it hears that matters: a job held by something besides its
// turn (its printer stopped, the job held), once for each new reason, and its end.

#include "print_service.h"
#include "record.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

class Followed_Jobs
{
public:
    struct Job
    {
        Printed_Job printed;
        Record request; // names the folder of its log
        int envelopes = 0;
        std::string recipients; // their names, for its lines and messages
    };
    // Called on the follower's thread, and by `finish` on its caller's.
    using Heard = std::function<void(const Job& job, const Job_State& state)>;

    Followed_Jobs(Print_Service& printing, Heard heard);
    ~Followed_Jobs();
    Followed_Jobs(const Followed_Jobs&) = delete;
    Followed_Jobs& operator=(const Followed_Jobs&) = delete;

    void follow(Job job);

    // Waits until no job is followed, `patience` is over or `hurry` is set. Each job still
    // followed is then heard of as of unknown end, with the print system's last word on it; once
    // this returns nothing more is heard (a question the follower was asking ends within its
    // time to be answered).
    void finish(std::chrono::milliseconds patience, const std::atomic<bool>& hurry);

private:
    struct Followed
    {
        Job job;
        std::string last_word; // why the print system's last answer was none
        std::string held; // what holds it, as told already
    };

    void run();
    void look(std::unique_lock<std::mutex>& lock);

    Print_Service& printing_;
    Heard heard_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::list<Followed> followed_;
    bool stopping_ = false;
    std::thread follower_;
};
