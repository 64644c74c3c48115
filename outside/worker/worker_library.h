#pragma once

// The worker's Qt side, a library of its own so that the host itself does not link Qt: the host
// loads it after the window module, once Qt is known to be there. Its entries make what a
// request asks for and write its line (production.h), print the envelopes of a press as one job
// (printing.h), ask the print system how jobs stand (print_jobs.h) and write a job's lines.

#include "print_jobs.h"
#include "production.h"

#include <map>
#include <string>
#include <vector>

using Make_Entry = Production_Report (*)(const Record& request);
using Log_Entry = void (*)(const Record& request, Production_Report& report);
// Prints the envelopes of `requests` (one format) on the printer with its stored settings, as
// one job.
using Print_Entry
    = Print_Record (*)(const std::vector<Record>& requests, const std::string& printer);
using Job_States_Entry
    = std::map<int, Job_State> (*)(const std::string& printer, const std::vector<int>& jobs);
// A print job's line in the log of the folder `request` names.
using Log_Job_Entry = bool (*)(const Record& request, const Record& entry);
// The printer the user chose in the print settings; empty for the PDF files alone.
using Destination_Entry = std::string (*)();
// What was wrong with the print settings' file when it was first read; empty when nothing was.
using Settings_Trouble_Entry = std::string (*)();

inline constexpr char make_entry_name[] = "pelderwick_worker_make";
inline constexpr char log_entry_name[] = "pelderwick_worker_log";
inline constexpr char print_entry_name[] = "pelderwick_worker_print";
inline constexpr char job_states_entry_name[] = "pelderwick_worker_job_states";
inline constexpr char log_job_entry_name[] = "pelderwick_worker_log_job";
inline constexpr char destination_entry_name[] = "pelderwick_worker_destination";
inline constexpr char settings_trouble_entry_name[] = "pelderwick_worker_settings_trouble";
