#include "libraries.h"

#include "platform.h"

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
    return entry<Produce_Entry>(load("pelderwick_worker"), produce_entry_name);
}

Host_Qt load_host_qt()
{
    void* library = load("pelderwick_host_qt");
    Host_Qt host;
    host.begin = entry<decltype(host.begin)>(library, host_qt_begin_name);
    host.start_demo = entry<decltype(host.start_demo)>(library, host_qt_start_demo_name);
    host.end = entry<decltype(host.end)>(library, host_qt_end_name);
    return host;
}
