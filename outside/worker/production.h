#pragma once

// What the worker does with one request: the envelope, then at once a line in the output
// folder's requests.jsonl that says what became of the request: the request's own fields, the
// postal codes read from the addresses where none was typed ("推得郵遞區號", "推得寄件人郵遞區號"),
// "結果" ("已輸出" with "檔案", the envelope's file name, or "沒有輸出" with "原因", why not),
// "警告" when something about the envelope is worth knowing, and "印表機" where it goes to a
// printer too. What became of a print job follows as lines of its own (the host's accounts).

#include "record.h"
#include "warning.h"

#include <optional>
#include <string>
#include <vector>

// A print job as it was handed to the print system, or not.
struct Print_Record
{
    std::string printer;
    int job = 0; // the print system's number for the job, where it gives one
    bool handed = false; // the print system took it
    std::string reason; // why not
    std::vector<Warning> warnings; // about the printer (its margins)
};

struct Production_Report
{
    bool made = false;
    std::string file; // the envelope's file name, when made
    std::string reason; // why it was not made
    bool logged = false; // its line is in requests.jsonl
    std::vector<Warning> warnings; // about the envelope, or its line in the log
    std::string printer; // where it goes besides its file, when it does
    std::string log_file; // the log its line went to, when not requests.jsonl
    std::string derived_recipient_code; // read from the address, where no code was typed
    std::string derived_sender_code;
};

// The envelope alone; its line is written by `log`.
Production_Report make(const Record& request) noexcept;

// Writes the request's line; a line that cannot be written is a warning of the report's.
void log(const Record& request, Production_Report& report) noexcept;

// The log line for a request and what became of it.
Record log_entry(const Record& request, const Production_Report& report);

// The envelope, then its line.
Production_Report produce(const Record& request) noexcept;

// A line of its own (a print job's) in the log of the folder `request` names; false when it
// could not be written.
bool log_job(const Record& request, const Record& entry) noexcept;
