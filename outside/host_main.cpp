// The program a user starts: it makes the channels, runs the worker beside the window, and ends
// when the window is closed and everything handed to the worker is done. With "--demo", or when
// there is no display, it shows the whole job once by itself, offscreen.

#include "start_up.h"
#include "worker.h"
#include "worker_plugin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

bool display_available()
{
#if defined(_WIN32)
    return true;
#else
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return set("DISPLAY") || set("WAYLAND_DISPLAY")
        || (platform != nullptr && std::strcmp(platform, "offscreen") == 0);
#endif
}

} // namespace

int main(int argc, char** argv)
{
    bool demo = argc > 1 && std::strcmp(argv[1], "--demo") == 0;
    if (!demo && !display_available()) {
        std::printf("No display here: showing a demo offscreen instead of opening the window.\n");
        demo = true;
    }
    auto queues = make_std_queue_bundle();
    auto events = make_std_event_bundle();
    Worker_Plugin plugin;
    std::thread worker;
    int status = 0;
    try {
        const Window_Module& window = load_window_module();
        plugin = load_worker_plugin();
        plugin.begin(demo);
        worker = std::thread([&] {
            run_worker((*queues)["get_receipt"], (*events)["get_receipt"], plugin.produce);
        });
        if (demo)
            plugin.start_demo();
        window.GUI(*queues, *events);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        (*queues)["get_receipt"].put(std::nullopt); // the window never said goodbye
        status = 1;
    }
    if (worker.joinable())
        worker.join();
    if (plugin.end != nullptr)
        plugin.end();
    return status;
}
