#pragma once

// The whole job once, without a user: fills the shown window with a sample sender and three
// recipients, presses "輸出單據", waits until the worker is done with the three requests, saves a
// picture of the window beside the envelopes, says what it made and where, and closes the window.

#include "outputs.h"

#include <functional>

// `finished` hears whether the demo did all it should: three envelopes and the picture.
void run_demo(const Worker_Progress& progress, const std::function<void(bool done_all)>& finished);
