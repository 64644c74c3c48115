#include "worker_library.h"

#include "envelope.h"
#include "worker.h"

#include <type_traits>

#if defined(_WIN32)
#define WORKER_EXPORT extern "C" __declspec(dllexport)
#else
#define WORKER_EXPORT extern "C" __attribute__((visibility("default")))
#endif

WORKER_EXPORT void pelderwick_worker_produce(const Record& request)
{
    record_request(request);
    make_envelope(request);
}

static_assert(std::is_same_v<decltype(&pelderwick_worker_produce), Produce_Entry>);
