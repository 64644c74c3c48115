#pragma once

// What the print system tells of a queue and of a job beyond what Qt does: one file per system
// (print_jobs_cups.cpp, print_jobs_windows.cpp).

#include <optional>
#include <string>

struct Queue_State
{
    bool ready = true; // there, taking jobs and not stopped
    std::string reason; // why not
};

Queue_State queue_state(const std::string& printer);

// The job the print system made of the document `title` just handed to it on `printer`: its
// number (0 where the system numbers none for us: the spooler on Windows); nothing when it made
// none.
std::optional<int> job_named(const std::string& printer, const std::string& title);

// How a job ended once it has: printed, or not and why; or, where the system tells no more
// (the spooler on Windows), neither. Nothing while it waits or prints.
struct Job_End
{
    bool printed = false;
    bool failed = false;
    std::string reason;
};

std::optional<Job_End> job_end(const std::string& printer, int job);
