#include "worker_library.h"

#include "exports.h"

#include <type_traits>

extern "C" PELDERWICK_EXPORT Production_Report pelderwick_worker_produce(const Record& request)
{
    return produce(request);
}

static_assert(std::is_same_v<decltype(&pelderwick_worker_produce), Produce_Entry>);
