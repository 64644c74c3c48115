#pragma once

// The worker's Qt side, a library of its own so that the host itself does not link Qt: the host
// loads it after the window module, once Qt is known to be there. Its one entry makes what a
// request asks for: the request's line in requests.jsonl and its PDF envelope.

#include "record.h"

using Produce_Entry = void (*)(const Record& request);
inline constexpr char produce_entry_name[] = "pelderwick_worker_produce";
