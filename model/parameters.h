#pragma once

#include "record.h"

// The text settings of one run of the window; only the settings dialog changes them.
struct Parameters
{
    Parameters();
    Record parameters;
};
