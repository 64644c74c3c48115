#pragma once

// What the worker does with one request: the envelope, then a line in the output folder's
// requests.jsonl that says what became of the request: the request's own fields, the postal
// codes read from the addresses where none was typed ("推得郵遞區號", "推得寄件人郵遞區號"), "結果"
// ("已輸出" with "檔案", the envelope's file name, or "沒有輸出" with "原因", why not), "警告" when
// something about the envelope is worth knowing, and, where it was also sent to a printer,
// "印表機", "列印工作" and "列印" ("已送印", or "沒有列印" with "列印原因"). A print job's end
// comes later, as a line of its own.

#include "record.h"
#include "warning.h"

#include <optional>
#include <string>
#include <vector>

// Where an envelope went besides its file.
struct Print_Record
{
    std::string printer;
    int job = 0; // the print system's number for the job, where it gives one
    bool handed = false; // the print system took it
    std::string reason; // why not
};

struct Production_Report
{
    bool made = false;
    std::string file; // the envelope's file name, when made
    std::string reason; // why it was not made
    bool logged = false; // its line is in requests.jsonl
    std::vector<Warning> warnings; // about the envelope, or its line in the log
    std::optional<Print_Record> printed; // when it was to be printed too
};

// Makes the envelope and writes its line. Never throws: every failure is in the report.
Production_Report produce(const Record& request) noexcept;

// The envelope alone, its line to come once it is printed too.
Production_Report make(const Record& request) noexcept;

// Writes the request's line; a line that cannot be written is a warning of the report's.
void log(const Record& request, Production_Report& report) noexcept;

// The log line for a request and what became of it.
Record log_entry(const Record& request, const Production_Report& report);

// How a print job of `envelopes` envelopes ended, as a line of its own in the log of the
// requests' folder: "列印工作", "印表機", "結果" ("已印出"; "沒有印出" with "原因"; or
// "已交給列印佇列" where the print system tells no more).
Record job_entry(const Print_Record& job, int envelopes, bool printed, bool failed,
    const std::string& reason);
bool log_job(const Record& request, const Record& entry) noexcept;
