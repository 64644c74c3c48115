#pragma once

// The worker's Qt side, a library of its own so that the host itself does not link Qt: the host
// loads it after the window module, once Qt is known to be there. Its one entry makes what a
// request asks for and says what became of it (production.h).

#include "production.h"

using Produce_Entry = Production_Report (*)(const Record& request);
inline constexpr char produce_entry_name[] = "pelderwick_worker_produce";
