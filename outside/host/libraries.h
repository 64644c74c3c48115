#pragma once

// The host's two libraries with Qt in them, loaded from beside the program once the start-up
// front has found Qt: the worker's envelope maker and the host's own Qt side.

#include "host_qt.h"
#include "worker_library.h"

struct Worker_Library
{
    Make_Entry make = nullptr;
    Log_Entry log = nullptr;
    Print_Entry print = nullptr;
    Job_States_Entry job_states = nullptr;
    Log_Job_Entry log_job = nullptr;
    Destination_Entry destination = nullptr;
    Settings_Trouble_Entry settings_trouble = nullptr;
};

// Each throws, naming the library or the missing entry, when it cannot be loaded.
Worker_Library load_worker_library();
Host_Qt load_host_qt();
