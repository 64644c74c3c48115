#pragma once

// A list printed without a user: `pelderwick --list FILE --output-all [--printer NAME]`. Every
// row without errors is made (and printed where envelopes go to a printer) in jobs of at most
// 50 envelopes fed one after another, with one line per row on standard output and one line for
// the whole list in requests.jsonl. Rows not sent because the user asked to end are logged as
// "沒有送出".

#include "outputs.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

inline constexpr std::size_t envelopes_per_job = 50;

struct List_Counts
{
    int made = 0;
    int not_made = 0;
    int not_sent = 0;
};

// The requests made in jobs of at most 50, one after another; once `stop` is set, the rest are
// logged as "沒有送出". `each` hears every request's report, in order.
List_Counts make_list(Outputs& outputs, const std::vector<Record>& requests,
    const std::atomic<bool>& stop,
    const std::function<void(std::size_t, const Production_Report&)>& each);

// The list's own line in requests.jsonl: its rows, ticked, made, not made, not sent.
void log_list(const Record& any_request, const std::string& list, std::size_t rows,
    std::size_t ticked, const List_Counts& counts, const std::string& printer);

// Says 0 only when every ticked row was made.
int output_list(Outputs& outputs, const std::string& path, const std::atomic<bool>& stop);
