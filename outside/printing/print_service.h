#pragma once

// The print system as the worker's outputs use it: where envelopes go now, a press's envelopes
// handed over as one job, and how the jobs handed over stand. The program's own is the system's
// (CUPS, the spooler, with the printers' stored settings); the tests bring one of their own.

#include "print_jobs.h"
#include "printing.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class Print_Service
{
public:
    virtual ~Print_Service() = default;

    // The printer the print settings send envelopes to now; empty for their files alone.
    virtual std::string destination() = 0;
    // The envelopes of `requests` (one format) on `printer`, with its stored settings, as one job.
    virtual Printed_Job print(const std::vector<Record>& requests, const std::string& printer) = 0;
    virtual std::map<int, Job_State> job_states(
        const std::string& printer, const std::vector<int>& jobs)
        = 0;
    // A press's job on `printer`, drawn beside the making of its envelopes' files; nothing
    // where the job is drawn only once the press is done (print).
    virtual std::unique_ptr<Job_Builder> begin_job(
        const std::string& /*printer*/, const std::string& /*format*/)
    {
        return nullptr;
    }
};

std::unique_ptr<Print_Service> system_print_service();
