#pragma once

// The program a user starts: it makes the channels, runs the worker beside the window, and ends
// when the window is closed and everything handed to the worker is done. With "--demo", or when
// there is no display, it shows the whole job once by itself, offscreen. Its exit status is not
// 0 when a request was not made, logged or printed (each one is told on standard error and,
// where the desktop has them, in a notification) or the window could not be shown.

#include "host_options.h"

int run_host(Host_Options options);
