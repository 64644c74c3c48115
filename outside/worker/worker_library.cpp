#include "worker_library.h"

#include "envelope.h"
#include "exports.h"
#include "worker.h"

#include <type_traits>

extern "C" PELDERWICK_EXPORT void pelderwick_worker_produce(const Record& request)
{
    record_request(request);
    make_envelope(request);
}

static_assert(std::is_same_v<decltype(&pelderwick_worker_produce), Produce_Entry>);
