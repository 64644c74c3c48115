#pragma once

// The Windows shell services the window relies on, with stand-ins on other systems. Everything
// that differs between systems lives behind these functions: one file per system
// (platform_windows.cpp, platform_posix.cpp), free of Qt so that the start-up front can use it,
// and platform.cpp for what Qt does the same everywhere.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Paths

// Absolute directory of the file this code was linked into (the window module, or the program
// for a static build), without a trailing separator. Never the working directory.
std::string module_directory();

// The module directory followed by a literal that starts with a backslash, joined as plain text:
// "\格式範本\logo.ico" names a file of the template folder beside the module.
std::string template_path(const char* literal);

// A path as the window forms it ("C:/x/", module directory + "\格式範本\a.png") turned into one
// this system can open: backslashes read as separators (but in the module directory, used as it
// is), and a drive "C:" standing for the home directory where there are no drives (HOME, or the
// user's home as the system knows it when HOME is unset or not absolute; throws when there is
// none). The home's bytes are kept as they are.
std::string local_path(const std::string& path);

// The path of a local_path() for the standard library: from UTF-8 on Windows, from the bytes as
// they are elsewhere.
std::filesystem::path native_path(const std::string& path);

// Files

// The name the user logs in with.
std::string user_name();

// Makes the output folder (a local_path()) where it is missing and checks that it is the user's
// own: a folder that belongs to another user, or that others may write in, is refused (throws,
// saying so). On Windows the folder is shared by every account of the PC and is made so that
// each account may add files there but not read or change another's.
void make_output_folder(const std::string& folder);

// A file written in a folder where nobody sees it until it is complete: publish() gives it its
// name only once everything is on the disk, and never over an existing file. A file never
// published, or whose process ends first, leaves nothing behind.
class Unpublished_File
{
public:
    explicit Unpublished_File(const std::string& folder); // throws when the folder refuses it
    ~Unpublished_File();
    Unpublished_File(const Unpublished_File&) = delete;
    Unpublished_File& operator=(const Unpublished_File&) = delete;

    // Appends to the content; throws with the system's reason when not all of it is written.
    void write(std::string_view content);
    // Names the file `name` in its folder; false, and nothing changed, when the name is taken,
    // unless `replace` lets it take the place of that file. Throws when the content or the name
    // cannot be made lasting.
    bool publish(const std::string& name, bool replace = false);

private:
    bool finish_publishing(const std::string& target);

    struct System;
    std::unique_ptr<System> system_;
};

// Appends `line` and a line end to the file, creating it: the whole line or nothing, and no other
// writer's line in between (another process appending to the same file included). A file whose
// last line lacks its end gets one first. Only a regular file is written, never through a link;
// a lock or a sharing violation held by another program is waited for a few seconds. Throws when
// the line is not written.
void append_line(const std::string& path, const std::string& line);

// Loading libraries

// One of the program's own shared libraries beside this module: "pelderwick_gui" is
// "<module directory>\pelderwick_gui.dll" on Windows, "<module directory>/libpelderwick_gui.so"
// elsewhere.
std::string own_library_path(const std::string& name);
// The file name of a Qt library: "Gui" is "Qt6Gui.dll" on Windows, "libQt6Gui.so.6" elsewhere.
std::string qt_library_file(const std::string& module);

// Loads a shared library by name or path; nullptr when it cannot be loaded.
void* open_library(const std::string& name);
// An entry of a loaded library by its C name; nullptr when missing.
void* library_entry(void* library, const char* name);
// Why the last open_library failed.
std::string library_error();

// Standard streams and the console

// Writes one line of UTF-8 text to standard output or standard error, whole, and flushes it. On
// a Windows console it goes out as the console's own Unicode text, whatever its code page.
void write_line(std::FILE* stream, const std::string& text);

// The thread writing standard output and error takes a reader gone (a closed pipe) as a failed
// write instead of the end of the process.
void ignore_broken_pipes_in_this_thread();

// The first thing a program of ours does: standard streams that are closed are opened on the
// null device (so that no file the program opens takes their place), a reader gone and a file
// size limit reached are failed writes rather than the end of the process, and libraries are
// loaded only from the program's own folder and the system's.
void prepare_program();

// Whether the end-of-process handlers of a shared library run only once the process's other
// threads are gone: on Windows, ending the process ends them first; elsewhere they still run.
bool library_exit_runs_alone();

// A windowed Windows program has no console: started from one, it writes there, unless its
// streams are redirected. Nothing to do elsewhere.
void use_starters_console();

// Makes sure the user can be told something and answer (the install prompts): a windowed Windows
// program without a console opens one. Nothing to do elsewhere.
void open_console();

// Being asked to end

// The first request to end the process (SIGTERM, SIGINT, SIGHUP; on Windows the console's Ctrl+C,
// Ctrl+Break or close) calls `first` from a thread of its own; a second one ends the process at
// once. Files being written are then never published (Unpublished_File).
void on_end_request(std::function<void()> first);

// When a library ends the process with exit() while it runs (Qt does when the display goes
// away), `first` runs before everything else the end of the process does, while the libraries
// still stand. Only in a program whose exit() others see (the host's link options say so).
void before_exit(std::function<void()> first);

// The desktop

// While the program has work it must not lose, the system's end of the session (logging off,
// shutting down) is refused, with `reason` shown beside the program's window; Windows only.
void block_session_end(void* native_window, const std::string& reason);
void allow_session_end(void* native_window);

// Removes a variable from the process's environment.
void unset_environment(const char* name);

// The system's own font folder, for Qt's offscreen platform, which reads fonts from one folder
// on Windows; empty where Qt finds the fonts by itself.
std::string system_font_folder();

// Whether a window can be shown here: always on Windows; elsewhere an X11 or Wayland display that
// answers, or Qt's offscreen platform asked for.
bool display_available();

// Runs one command line through the system's command shell, in this console, and waits until it
// ends; false when the shell cannot be started. On Windows the shell runs in the system's folder,
// so that a program of the command's name in the working folder is never the one started.
bool run_in_shell(const std::string& command_line);

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
