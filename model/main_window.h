#pragma once

// The one internal entry behind GUI and the stand-alone entry: builds the main window, runs it
// until the user closes it, then hands the worker its shutdown items (not in stand-alone mode).

#include "channels.h"

struct Window_Settings
{
    bool stand_alone = false; // the bundles are placeholders: no channel is touched
    int tick_ms = 500; // the progress indicator's period; tests shorten it
};

void run_main_window(
    Queue_Bundle& Queue_All_variable, Event_Bundle& Event_All_variable, Window_Settings settings);
