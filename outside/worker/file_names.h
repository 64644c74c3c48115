#pragma once

// The names of the envelope files: "yyyyMMdd-HHmmss-zzz_<recipient>.pdf", the recipient made safe
// for every system's folders.

#include <string>

// A file name part for the recipient that cannot leave the folder and reads as what it shows:
// separators, "..", control characters, line and paragraph separators and reserved characters
// become "_", device names are prefixed, format and direction controls (invisible, or reversing
// what is shown) are left out, and a long name is cut between two whole characters to at most 60
// of them and to what every system's file names hold beside the time and a "-N".
std::string safe_file_stem(const std::string& recipient);

// The envelope's file name without its ending: the time to the millisecond and the recipient,
// or "寄件人" for the request without one.
std::string envelope_stem(const std::string& recipient);
