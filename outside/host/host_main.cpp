// The program a user starts: it makes the channels, runs the worker beside the window, and ends
// when the window is closed and everything handed to the worker is done. With "--demo", or when
// there is no display, it shows the whole job once by itself, offscreen.

#include "libraries.h"
#include "platform.h"
#include "start_up.h"
#include "worker.h"

#include <atomic>
#include <cstring>
#include <thread>

int main(int argc, char** argv)
{
    platform::use_starters_console();
    bool demo = argc > 1 && std::strcmp(argv[1], "--demo") == 0;
    if (!demo && !platform::display_available()) {
        platform::write_line(
            stdout, "No display here: showing a demo offscreen instead of opening the window.");
        demo = true;
    }
    auto queues = make_std_queue_bundle();
    auto events = make_std_event_bundle();
    Host_Qt host;
    QApplication* application = nullptr;
    std::atomic<int> envelopes_made {0};
    std::thread worker;
    int status = 0;
    try {
        const Window_Module& window = load_window_module();
        const Produce_Entry produce = load_worker_library();
        host = load_host_qt();
        application = host.begin(demo);
        worker = std::thread([&] {
            run_worker((*queues)["get_receipt"], (*events)["get_receipt"], [&](const Record& r) {
                produce(r);
                ++envelopes_made;
            });
        });
        if (demo)
            host.start_demo(envelopes_made);
        window.GUI(*queues, *events);
    } catch (const std::exception& error) {
        platform::write_line(stderr, error.what());
        (*queues)["get_receipt"].put(std::nullopt); // the window never said goodbye
        status = 1;
    }
    if (worker.joinable())
        worker.join();
    if (host.end != nullptr)
        host.end(application);
    return status;
}
