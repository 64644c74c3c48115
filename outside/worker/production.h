#pragma once

// What the worker does with one request: the envelope, then a line in the output folder's
// requests.jsonl that says what became of the request: the request's own fields, then "結果"
// ("已輸出" with "檔案", the envelope's file name, or "沒有輸出" with "原因", why not), and
// "警告" when something about the envelope is worth knowing.

#include "record.h"
#include "warning.h"

#include <string>
#include <vector>

struct Production_Report
{
    bool made = false;
    std::string file; // the envelope's file name, when made
    std::string reason; // why it was not made
    bool logged = false; // its line is in requests.jsonl
    std::vector<Warning> warnings; // about the envelope, or its line in the log
};

// Never throws: every failure is in the report.
Production_Report produce(const Record& request) noexcept;

// The log line for a request and what became of it.
Record log_entry(const Record& request, const Production_Report& report);
