#pragma once

// The host's two libraries with Qt in them, loaded from beside the program once the start-up
// front has found Qt: the worker's envelope maker and the host's own Qt side.

#include "host_qt.h"
#include "worker_library.h"

// Each throws, naming the library or the missing entry, when it cannot be loaded.
Produce_Entry load_worker_library();
Host_Qt load_host_qt();
