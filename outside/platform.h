#pragma once

// The Windows shell services the window relies on, with stand-ins on other systems. Everything
// that differs between systems lives behind these functions.

#include <functional>
#include <string>

namespace platform {

// Absolute directory of the file this code was linked into (the window module, or the program
// for a static build), without a trailing separator. Never the working directory.
std::string module_directory();

// A path as the window forms it ("C:/x/", module directory + "\格式範本\a.png") turned into one
// this system can open: backslashes read as separators, and a drive "C:" standing for the home
// directory where there are no drives.
std::string local_path(const std::string& path);

// Loads a shared library by name or path; nullptr when it cannot be loaded.
void* open_library(const std::string& name);
// An entry of a loaded library by its C name; nullptr when missing.
void* library_entry(void* library, const char* name);
// Why the last open_library failed.
std::string library_error();

// Starts a child process from one exact command line, detached, without waiting. Throws when it
// cannot be started.
void start_process(const std::string& command_line);

// Asks the default browser to open an address; returns the browser's success flag. Throws when
// there is no browser to ask (no GUI application).
bool open_url(const std::string& url);

// Seams for tests: the shell and the browser are the two things a test must not really start.
// An empty function puts the real one back.
void set_process_starter(std::function<void(const std::string&)> starter);
void set_url_opener(std::function<bool(const std::string&)> opener);

} // namespace platform
