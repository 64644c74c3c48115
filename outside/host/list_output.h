#pragma once

// A list printed without a user: `pelderwick --list FILE --output-all [--printer NAME]`. Every
// row without errors is made (and printed where envelopes go to a printer) in jobs of at most
// 50 envelopes fed one after another, with one line per row on standard output and one line for
// the whole list in requests.jsonl. Rows not sent because the user asked to end are logged as
// "沒有送出".

#include "outputs.h"

#include <atomic>
#include <string>

inline constexpr std::size_t envelopes_per_job = 50;

// Says 0 only when every ticked row was made.
int output_list(Outputs& outputs, const std::string& path, const std::atomic<bool>& stop);
