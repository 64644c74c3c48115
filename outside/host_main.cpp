// The program a user starts: it makes the channels, runs the worker beside the window, and ends
// when the window is closed and everything handed to the worker is done.

#include "start_up.h"
#include "worker.h"

#include <cstdio>
#include <thread>

int main()
{
    auto queues = make_std_queue_bundle();
    auto events = make_std_event_bundle();
    std::thread worker(
        [&] { run_worker((*queues)["get_receipt"], (*events)["get_receipt"], record_request); });
    int status = 0;
    try {
        load_window_module().GUI(*queues, *events);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        (*queues)["get_receipt"].put(std::nullopt); // the window never said goodbye
        status = 1;
    }
    worker.join();
    return status;
}
