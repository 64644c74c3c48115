#include "libraries.h"

#include "platform.h"

#include <cstdlib>
#include <stdexcept>

namespace {

void* load(const char* name)
{
    void* library = platform::open_library(platform::own_library_path(name));
    if (library == nullptr)
        throw std::runtime_error(
            std::string("cannot load ") + name + ": " + platform::library_error());
    return library;
}

template <typename Entry> Entry entry(void* library, const char* name)
{
    void* found = platform::library_entry(library, name);
    if (found == nullptr)
        throw std::runtime_error(std::string("a library lacks ") + name);
    return reinterpret_cast<Entry>(found);
}

} // namespace

Produce_Entry load_worker_library()
{
    // PELDERWICK_WORKER_LIBRARY names another worker (the tests' slowed one).
    const char* other = std::getenv("PELDERWICK_WORKER_LIBRARY");
    void* library = other != nullptr && *other != '\0' ? platform::open_library(other)
                                                       : load("pelderwick_worker");
    if (library == nullptr)
        throw std::runtime_error(
            std::string("cannot load ") + other + ": " + platform::library_error());
    return entry<Produce_Entry>(library, produce_entry_name);
}

Host_Qt load_host_qt()
{
    void* library = load("pelderwick_host_qt");
    Host_Qt host;
    host.begin = entry<decltype(host.begin)>(library, host_qt_begin_name);
    host.start_demo = entry<decltype(host.start_demo)>(library, host_qt_start_demo_name);
    host.tell = entry<decltype(host.tell)>(library, host_qt_tell_name);
    host.close_window = entry<decltype(host.close_window)>(library, host_qt_close_window_name);
    host.wait_until = entry<decltype(host.wait_until)>(library, host_qt_wait_until_name);
    host.wake = entry<decltype(host.wake)>(library, host_qt_wake_name);
    host.end = entry<decltype(host.end)>(library, host_qt_end_name);
    return host;
}
