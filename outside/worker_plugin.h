#pragma once

// The worker's envelope maker, a library of its own so that the host itself does not link Qt:
// the host loads it after the window module, once Qt is known to be there.

#include "record.h"

struct Worker_Plugin
{
    // Creates the application object on the calling (main) thread; the window uses it, and it
    // outlives the window so that the worker can finish after the window has closed.
    void (*begin)(bool offscreen) = nullptr;
    void (*produce)(const Record& request) = nullptr; // requests.jsonl line and PDF envelope
    void (*start_demo)() = nullptr; // fills and presses the window once it is shown
    void (*end)() = nullptr;
};

// Loads the plugin from beside the program; throws when it cannot.
Worker_Plugin load_worker_plugin();
