#pragma once

// What the program a user starts is asked to do on its command line:
//   pelderwick                        the window, the envelopes where the print settings send them
//   pelderwick --demo                 the whole job once, offscreen
//   pelderwick --printer NAME         this run's envelopes printed on NAME too
//   pelderwick --printer-settings     the print settings' window alone
//   pelderwick --reprint WHAT         envelopes printed again, drawn anew from their logged
//                                     requests: WHAT is an envelope's PDF file, "job:N" (a print
//                                     job's envelopes) or "line:N" / "line:N-M" (lines of the log);
//                                     repeatable
//   pelderwick --list FILE            the list window ("名單列印") with FILE (.xlsx, CSV) loaded;
//                                     a file dialog first without FILE; a FILE alone (dropped on
//                                     the program, or opened with it) does the same
//   pelderwick --list FILE --output-all   every row of the list without errors made, and
//                                     printed where envelopes go to a printer, no window

#include <string>
#include <vector>

struct Host_Options
{
    bool demo = false;
    bool print_settings = false;
    std::string printer; // this run's printer, over the stored choice
    std::vector<std::string> reprint; // what to print again
    std::string list; // a list of recipients to make envelopes for
    bool list_chosen = false; // the list window asked for, with `list` or a file dialog
    bool output_all = false; // of the list, without a window
    std::string complaint; // what was not understood
};

Host_Options host_options(int argc, const char* const* argv);

inline constexpr char host_usage[]
    = "usage: pelderwick [--demo] [--printer NAME] | pelderwick --printer-settings\n"
      "       pelderwick --reprint FILE.pdf|job:N|line:N[-M] [--reprint ...] [--printer NAME]\n"
      "       pelderwick [--list] FILE [--output-all] [--printer NAME] | pelderwick --list";
