#pragma once

// The whole job once, without a user: fills the shown window with a sample sender and three
// recipients, presses "輸出單據", waits until the worker has made the three envelopes, saves a
// picture of the window beside them, says where everything is and closes the window.

#include <atomic>

void run_demo(const std::atomic<int>& envelopes_made);
