#pragma once

// The worker that a host runs beside the window: it takes the output requests in order and
// produces each, holding the busy event set while it works. The requests of one press are a
// batch (the queue's): once the last of them is produced, and before the busy event clears,
// `batch_done` runs (the host prints the batch as one job).

#include "channels.h"

#include <functional>

using Producer = std::function<void(const Record& request)>;

// Runs until the empty item. A request whose producer throws is reported on standard error; the
// next one is taken all the same. `batch_begins`, where given, hears each batch's requests
// before the first is produced (the host draws the press's print job beside its files).
void run_worker(Std_Queue& requests, Event& busy, const Producer& produce,
    const std::function<void()>& batch_done = {},
    const std::function<void(const std::vector<Record>& batch)>& batch_begins = {});
