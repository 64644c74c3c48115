#include "worker.h"

#include "lines.h"

#include <chrono>
#include <exception>

namespace {

template <typename Work> void guarded(const char* what, const Work& work)
{
    try {
        work();
    } catch (const std::exception& error) {
        report_line(std::string("worker: ") + what + " failed: " + error.what());
    } catch (...) {
        report_line(std::string("worker: ") + what + " failed");
    }
}

} // namespace

void run_worker(Queue& requests, Event& busy, const Producer& produce,
    const std::function<void()>& batch_done)
{
    Item item = requests.take();
    while (item) {
        busy.set();
        guarded("a request", [&] { produce(*item); });
        // What was handed over with it is waiting already.
        std::optional<Item> next = requests.try_take(std::chrono::milliseconds(0));
        if (next && *next) {
            item = std::move(*next);
            continue;
        }
        if (batch_done)
            guarded("a batch", batch_done);
        busy.clear();
        item = next ? std::move(*next) : requests.take(); // the end, or the next press
    }
}
