#pragma once

// Something about an envelope worth knowing; some things hold for every envelope of the run.

#include <string>

struct Warning
{
    std::string text;
    bool once_per_run = false;
};
