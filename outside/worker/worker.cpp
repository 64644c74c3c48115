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

void run_worker(Std_Queue& requests, Event& busy, const Producer& produce,
    const std::function<void()>& batch_done,
    const std::function<void(const std::vector<Record>& batch)>& batch_begins)
{
    // The press that put a batch closes it as soon as its turn is over; this is for a batch that
    // nobody closes.
    const auto patience
        = batch_done ? std::chrono::milliseconds(500) : std::chrono::milliseconds(0);
    Item item = requests.take();
    bool beginning = true;
    while (item) {
        busy.set();
        if (beginning && batch_begins) {
            std::vector<Record> batch {*item};
            const std::vector<Record> rest = requests.rest_of_batch(patience);
            batch.insert(batch.end(), rest.begin(), rest.end());
            guarded("a batch's beginning", [&] { batch_begins(batch); });
        }
        guarded("a request", [&] { produce(*item); });
        beginning = !requests.batch_goes_on(patience);
        if (beginning) {
            if (batch_done)
                guarded("a batch", batch_done);
            busy.clear();
        }
        item = requests.take(); // the next of the batch, the next press, or the end
    }
}
