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

Worker_Library load_worker_library()
{
    const Library library = load(platform::own_library_path("pelderwick_worker"));
    // In a program built for the tests, PELDERWICK_WORKER_LIBRARY names another maker of
    // envelopes (the tests' slowed one).
    const auto other = test_setting("PELDERWICK_WORKER_LIBRARY");
    const Library maker = other ? load(*other) : library;
    Worker_Library worker;
    worker.make = entry<Make_Entry>(maker, make_entry_name);
    worker.log = entry<Log_Entry>(library, log_entry_name);
    worker.print = entry<Print_Entry>(library, print_entry_name);
    worker.job_states = entry<Job_States_Entry>(library, job_states_entry_name);
    worker.log_job = entry<Log_Job_Entry>(library, log_job_entry_name);
    worker.destination = entry<Destination_Entry>(library, destination_entry_name);
    worker.settings_trouble = entry<Settings_Trouble_Entry>(library, settings_trouble_entry_name);
    return worker;
}

Host_Qt load_host_qt()
{
    const Library library = load(platform::own_library_path("pelderwick_host_qt"));
    Host_Qt host;
    host.begin = entry<decltype(host.begin)>(library, host_qt_begin_name);
    host.start_demo = entry<decltype(host.start_demo)>(library, host_qt_start_demo_name);
    host.tell = entry<decltype(host.tell)>(library, host_qt_tell_name);
    host.after_this_turn
        = entry<decltype(host.after_this_turn)>(library, host_qt_after_this_turn_name);
    host.close_window = entry<decltype(host.close_window)>(library, host_qt_close_window_name);
    host.wait_until = entry<decltype(host.wait_until)>(library, host_qt_wait_until_name);
    host.wake = entry<decltype(host.wake)>(library, host_qt_wake_name);
    host.guard_session_end
        = entry<decltype(host.guard_session_end)>(library, host_qt_guard_session_end_name);
    host.offer_print_settings
        = entry<decltype(host.offer_print_settings)>(library, host_qt_offer_print_settings_name);
    host.run_print_settings
        = entry<decltype(host.run_print_settings)>(library, host_qt_run_print_settings_name);
    host.end = entry<decltype(host.end)>(library, host_qt_end_name);
    return host;
}
