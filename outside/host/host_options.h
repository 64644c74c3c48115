#pragma once

// What the program a user starts is asked to do on its command line:
//   pelderwick                        the window, the envelopes where the print settings send them
//   pelderwick --demo                 the whole job once, offscreen
//   pelderwick --printer NAME         this run's envelopes printed on NAME too
//   pelderwick --printer-settings     the print settings' window alone

#include <string>

struct Host_Options
{
    bool demo = false;
    bool print_settings = false;
    std::string printer; // this run's printer, over the stored choice
    std::string complaint; // what was not understood
};

Host_Options host_options(int argc, const char* const* argv);

inline constexpr char host_usage[]
    = "usage: pelderwick [--demo] [--printer NAME] | pelderwick --printer-settings";
