#pragma once

// The program's one Qt library, loaded by the start-up front once Qt is known to be there: its
// one entry runs the whole program (the application object, the window module's GUI, the worker
// and what becomes of each request, printing, the notification icon) and returns its exit
// status. It is 0 unless a request was not made, logged or printed (each one is told on standard
// error and, where the desktop has them, in a notification), or the window could not be shown.

#include "host_options.h"
#include "start_up.h"

#include <functional>

struct App_Start
{
    Host_Options options;
    const Window_Module* window = nullptr;
    // The program's own platform::before_exit: the program stands in front of exit(), so the
    // hook must be the program's.
    void (*before_exit)(std::function<void()> first) = nullptr;
};

using App_Entry = int (*)(const App_Start& start);
inline constexpr char app_entry_name[] = "pelderwick_app_run";
