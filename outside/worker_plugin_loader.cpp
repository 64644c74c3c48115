#include "platform.h"
#include "worker_plugin.h"

#include <stdexcept>

Worker_Plugin load_worker_plugin()
{
#if defined(_WIN32)
    const char* file = "\\pelderwick_worker.dll";
#else
    const char* file = "/libpelderwick_worker.so";
#endif
    void* library = platform::open_library(platform::module_directory() + file);
    if (library == nullptr)
        throw std::runtime_error("cannot load the worker: " + platform::library_error());
    auto entry = [library](const char* name) {
        void* found = platform::library_entry(library, name);
        if (found == nullptr)
            throw std::runtime_error(std::string("the worker lacks ") + name);
        return found;
    };
    Worker_Plugin plugin;
    plugin.begin = reinterpret_cast<decltype(plugin.begin)>(entry("pelderwick_worker_begin"));
    plugin.produce = reinterpret_cast<decltype(plugin.produce)>(entry("pelderwick_worker_produce"));
    plugin.start_demo
        = reinterpret_cast<decltype(plugin.start_demo)>(entry("pelderwick_worker_start_demo"));
    plugin.end = reinterpret_cast<decltype(plugin.end)>(entry("pelderwick_worker_end"));
    return plugin;
}
