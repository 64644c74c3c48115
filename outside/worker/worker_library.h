#pragma once

// The worker's Qt side, a library of its own so that the host itself does not link Qt: the host
// loads it after the window module, once Qt is known to be there. Its entries make what a
// request asks for and say what became of it (production.h), print the envelopes of a press as
// one job (printing.h) and follow the job to its end.

#include "production.h"

#include <optional>
#include <string>
#include <vector>

// A job's end as the print system tells it: nothing while it waits or prints.
struct Job_Outcome
{
    bool printed = false;
    bool failed = false; // else, not printed, it is with a print system that tells no more
    std::string reason;
};

// An envelope made, to be printed.
struct Made_Envelope
{
    Record request;
    Production_Report report;
};

using Produce_Entry = Production_Report (*)(const Record& request);
using Make_Entry = Production_Report (*)(const Record& request);
using Log_Entry = void (*)(const Record& request, Production_Report& report);
// Prints the envelopes (one format) on the printer with its stored settings; the reports get
// where they went, and the job's warnings.
using Print_Entry = Print_Record (*)(std::vector<Made_Envelope>& made, const std::string& printer);
using Job_End_Entry = std::optional<Job_Outcome> (*)(const Print_Record& job);
// The job's end as a line of its own in the log of the folder `request` names.
using Log_Job_Entry = bool (*)(
    const Record& request, const Print_Record& job, int envelopes, const Job_Outcome& outcome);
// The printer the user chose in the print settings; empty for the PDF files alone.
using Destination_Entry = std::string (*)();

inline constexpr char produce_entry_name[] = "pelderwick_worker_produce";
inline constexpr char make_entry_name[] = "pelderwick_worker_make";
inline constexpr char log_entry_name[] = "pelderwick_worker_log";
inline constexpr char print_entry_name[] = "pelderwick_worker_print";
inline constexpr char job_end_entry_name[] = "pelderwick_worker_job_end";
inline constexpr char log_job_entry_name[] = "pelderwick_worker_log_job";
inline constexpr char destination_entry_name[] = "pelderwick_worker_destination";
