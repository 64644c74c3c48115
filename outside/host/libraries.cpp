#include "libraries.h"

#include "platform.h"
#include "start_up.h"

#include <stdexcept>

namespace {

struct Library
{
    std::string path;
    void* handle;
};

Library load(const std::string& path)
{
    void* handle = platform::open_library(path);
    if (handle == nullptr)
        throw std::runtime_error("cannot load " + path + ": " + platform::library_error());
    return {path, handle};
}

template <typename Entry> Entry entry(const Library& library, const char* name)
{
    void* found = platform::library_entry(library.handle, name);
    if (found == nullptr)
        throw std::runtime_error(library.path + " lacks " + name);
    return reinterpret_cast<Entry>(found);
}

} // namespace

Produce_Entry load_worker_library()
{
    // In a program built for the tests, PELDERWICK_WORKER_LIBRARY names another worker (the
    // tests' slowed one).
    const Library library = load(test_setting("PELDERWICK_WORKER_LIBRARY")
                                     .value_or(platform::own_library_path("pelderwick_worker")));
    return entry<Produce_Entry>(library, produce_entry_name);
}

Host_Qt load_host_qt()
{
    const Library library = load(platform::own_library_path("pelderwick_host_qt"));
    Host_Qt host;
    host.begin = entry<decltype(host.begin)>(library, host_qt_begin_name);
    host.start_demo = entry<decltype(host.start_demo)>(library, host_qt_start_demo_name);
    host.tell = entry<decltype(host.tell)>(library, host_qt_tell_name);
    host.close_window = entry<decltype(host.close_window)>(library, host_qt_close_window_name);
    host.wait_until = entry<decltype(host.wait_until)>(library, host_qt_wait_until_name);
    host.wake = entry<decltype(host.wake)>(library, host_qt_wake_name);
    host.guard_session_end
        = entry<decltype(host.guard_session_end)>(library, host_qt_guard_session_end_name);
    host.end = entry<decltype(host.end)>(library, host_qt_end_name);
    return host;
}
