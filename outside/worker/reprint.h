#pragma once

// Envelopes printed again: found in the output folder's log by what the user names, their
// requests as they were logged, to be drawn anew (the log keeps every field of a request).

#include "record.h"

#include <string>
#include <vector>

struct Logged_Envelope
{
    Record request; // the thirteen fields, as the window handed them over
    std::string file; // its PDF file's name
};

// What `what` names in the log at `log_path`: an envelope's PDF file (its name, or a path ending
// in it), "job:N" (the envelopes of the print job numbered N), "line:N" or "line:N-M" (envelopes'
// lines of the log, counted from 1). Throws, saying why in words, where it names nothing there.
std::vector<Logged_Envelope> logged_envelopes(const std::string& log_path, const std::string& what);
