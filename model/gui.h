#pragma once

// The window module's entry. GUI builds the main window, runs it until the user closes it, then
// hands the worker its shutdown items and returns.

#include "channels.h"
#include "exports.h"

PELDERWICK_EXPORT void GUI(Queue_Bundle& Queue_All_variable, Event_Bundle& Event_All_variable);

// The module as the program's own entry: GUI with the placeholder bundles "X", touching no
// channel. Returns when the window has been closed.
PELDERWICK_EXPORT void run_stand_alone();

// The same entries by C names, for a host that binds them after loading the module.
extern "C" {
PELDERWICK_EXPORT void pelderwick_GUI(
    Queue_Bundle& Queue_All_variable, Event_Bundle& Event_All_variable);
PELDERWICK_EXPORT void pelderwick_run_stand_alone();
}
