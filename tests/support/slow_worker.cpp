// The real worker, slowed down: each request waits PELDERWICK_SLOW_MS (default 20) before it is
// made. The fault tests load it into the real host (PELDERWICK_WORKER_LIBRARY) to end the host
// while it is busy; the host takes the rest of the worker's entries from the real library.

#include "exports.h"
#include "worker_library.h"

#include <QtGlobal>
#include <chrono>
#include <thread>

extern "C" PELDERWICK_EXPORT Production_Report pelderwick_worker_make(const Record& request)
{
    bool given = false;
    const int pause = qEnvironmentVariableIntValue("PELDERWICK_SLOW_MS", &given);
    std::this_thread::sleep_for(std::chrono::milliseconds(given ? pause : 20));
    return make(request);
}
