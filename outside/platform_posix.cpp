// The platform layer on Linux and other POSIX systems: stand-ins for the Windows shell.

#include "platform.h"
#include "platform_native.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

std::string module_directory()
{
    Dl_info info {};
    link_map* map = nullptr;
    if (dladdr1(reinterpret_cast<void*>(&module_directory), &info, reinterpret_cast<void**>(&map),
            RTLD_DL_LINKMAP)
        == 0)
        throw std::runtime_error("cannot find the module's own file");
    // The main program has no name in the link map; its file is /proc/self/exe.
    const bool in_program = map == nullptr || map->l_name == nullptr || map->l_name[0] == '\0';
    char* resolved = realpath(in_program ? "/proc/self/exe" : info.dli_fname, nullptr);
    if (resolved == nullptr)
        throw std::runtime_error("cannot resolve the module's own file");
    std::string path(resolved);
    std::free(resolved);
    return path.substr(0, path.rfind('/'));
}

std::string local_path(const std::string& path)
{
    std::string text = path;
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    const bool drive = text.size() >= 2 && text[1] == ':'
        && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
    if (drive) {
        const char* home = std::getenv("HOME");
        text = std::string(home != nullptr ? home : "") + text.substr(2);
    }
    return text;
}

std::string own_library_path(const std::string& name)
{
    return module_directory() + "/lib" + name + ".so";
}

std::string qt_library_file(const std::string& module)
{
    return "libQt6" + module + ".so.6";
}

void* open_library(const std::string& name)
{
    return dlopen(name.c_str(), RTLD_NOW | RTLD_GLOBAL);
}

void* library_entry(void* library, const char* name)
{
    return dlsym(library, name);
}

std::string library_error()
{
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

bool display_available()
{
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    const char* qt_platform = std::getenv("QT_QPA_PLATFORM");
    return set("DISPLAY") || set("WAYLAND_DISPLAY")
        || (qt_platform != nullptr && std::strcmp(qt_platform, "offscreen") == 0);
}

void write_line(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void use_starters_console() { }

void open_console() { }

std::string system_font_folder()
{
    return {}; // fontconfig finds them
}

namespace {

bool on_search_path(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string directories = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= directories.size();) {
        const std::size_t end = std::min(directories.find(':', start), directories.size());
        const std::string candidate = directories.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// A shell starts the command in the background and ends at once: nothing is left for this
// process to wait for, and the command keeps none of its standard streams.
void start_detached(const std::vector<std::string>& command)
{
    std::vector<std::string> words = {"sh", "-c", "\"$@\" </dev/null >/dev/null 2>&1 &", "sh"};
    words.insert(words.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t shell = 0;
    if (posix_spawn(&shell, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start the shell");
    int status = 0;
    while (waitpid(shell, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("the shell was lost");
    }
}

} // namespace

void start_native_process(const std::string& command_line)
{
    // "explorer <folder>" opens the folder in the desktop's file manager; any other command line
    // goes to the POSIX shell.
    const std::string explorer = "explorer ";
    if (command_line.starts_with(explorer)) {
        if (!on_search_path("xdg-open"))
            throw std::runtime_error("cannot start \"" + command_line + "\": no xdg-open");
        start_detached({"xdg-open", local_path(command_line.substr(explorer.size()))});
    } else {
        start_detached({"/bin/sh", "-c", command_line});
    }
}

} // namespace platform
