#pragma once

// The process's lines on standard output and standard error. One thread of their own writes them,
// in the order they were handed over: a caller never waits for a reader, a reader that has gone
// (a closed pipe) costs nothing, and a slow reader still gets every line, in order, as it reads.
// A shared library of its own, so that the window, the worker and the host keep one order.

#include "exports.h"

#include <chrono>
#include <string>

#if defined(PELDERWICK_LINES_BUILD)
#define PELDERWICK_LINES PELDERWICK_EXPORT
#else
#define PELDERWICK_LINES PELDERWICK_IMPORT
#endif

// A line on standard output, UTF-8.
PELDERWICK_LINES void say_line(const std::string& line);

// A line on standard error, UTF-8.
PELDERWICK_LINES void report_line(const std::string& line);

// Waits until every line handed over so far is written, at most `patience`; true when they are.
// A program calls it before it ends. The end of the process waits so too, for a few seconds; where
// it stops the writing thread first (Windows), it writes the rest itself, and the line that
// thread was writing may come out twice.
PELDERWICK_LINES bool finish_lines(std::chrono::milliseconds patience);

// The last thing a program does: waits as finish_lines does, then ends the writing thread, so that
// no thread of ours is left running while the process ends. Later lines are written by their
// callers themselves.
PELDERWICK_LINES void stop_lines(std::chrono::milliseconds patience);
