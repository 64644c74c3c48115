// The platform layer on Linux and other POSIX systems: stand-ins for the Windows shell.

#include "platform.h"
#include "platform_native.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <pthread.h>
#include <pwd.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
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

namespace {

// HOME when it names a folder from the root; else the user's home as the system records it.
std::string home_folder()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    passwd entry {};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
        && found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    throw std::runtime_error(
        "no home folder for the output folder: HOME is not a full path and the system knows none");
}

[[noreturn]] void fail(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

std::string local_path(const std::string& path)
{
    std::string text = path;
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    const bool drive = text.size() >= 2 && text[1] == ':'
        && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
    if (drive)
        text = home_folder() + text.substr(2);
    return text;
}

std::filesystem::path native_path(const std::string& path)
{
    return {path};
}

struct Unpublished_File::System
{
    std::string folder;
    int fd = -1;
    std::string named; // where the system has no nameless files: a hidden name until published
};

Unpublished_File::Unpublished_File(const std::string& folder)
    : system_(std::make_unique<System>())
{
    system_->folder = folder.ends_with('/') ? folder : folder + "/";
    system_->fd = open(system_->folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    if (system_->fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::string name = system_->folder + ".pelderwick-XXXXXX";
        system_->fd = mkostemp(name.data(), O_CLOEXEC);
        if (system_->fd >= 0) {
            system_->named = name;
            fchmod(system_->fd, 0644); // as the nameless file's
        }
    }
    if (system_->fd < 0)
        fail("cannot write in " + folder);
}

Unpublished_File::~Unpublished_File()
{
    if (system_->fd >= 0)
        close(system_->fd);
    if (!system_->named.empty())
        unlink(system_->named.c_str());
}

int Unpublished_File::descriptor() const
{
    return system_->fd;
}

namespace {

// Gives a nameless file its first name; false when that name is taken.
bool link_nameless(int fd, const std::string& target)
{
    if (linkat(AT_FDCWD, ("/proc/self/fd/" + std::to_string(fd)).c_str(), AT_FDCWD, target.c_str(),
            AT_SYMLINK_FOLLOW)
        == 0)
        return true;
    if (errno != EEXIST)
        fail("cannot name " + target);
    return false;
}

} // namespace

bool Unpublished_File::publish(const std::string& name, bool replace)
{
    System& file = *system_;
    const std::string target = file.folder + name;
    if (fsync(file.fd) != 0)
        fail("cannot write " + target);
    if (file.named.empty()) {
        if (!replace)
            return link_nameless(file.fd, target) && finish_publishing(target);
        // To take an old file's place in one step, a hidden name comes first.
        for (int attempt = 0; file.named.empty(); ++attempt) {
            const std::string hidden = file.folder + ".pelderwick-" + std::to_string(getpid()) + "-"
                + std::to_string(attempt);
            if (link_nameless(file.fd, hidden))
                file.named = hidden;
        }
    }
    if (replace ? rename(file.named.c_str(), target.c_str()) != 0
                : link(file.named.c_str(), target.c_str()) != 0) {
        if (errno == EEXIST && !replace)
            return false;
        fail("cannot name " + target);
    }
    if (!replace)
        unlink(file.named.c_str());
    file.named.clear();
    return finish_publishing(target);
}

bool Unpublished_File::finish_publishing(const std::string& target)
{
    const int closed = close(std::exchange(system_->fd, -1));
    if (closed != 0) {
        const int error = errno;
        unlink(target.c_str());
        errno = error;
        fail("cannot write " + target);
    }
    return true;
}

void append_line(const std::string& path, const std::string& line)
{
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("cannot write " + path);
    // Other processes appending to the same log take the same lock.
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) { }
    struct stat before
    {
    };
    const bool sized = fstat(fd, &before) == 0;
    const std::string text = line + '\n';
    ssize_t written = 0;
    do
        written = write(fd, text.data(), text.size());
    while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(text.size())) {
        const int error = written < 0 ? errno : ENOSPC;
        if (sized && ftruncate(fd, before.st_size) != 0) { } // a torn line is taken back
        close(fd);
        errno = error;
        fail("cannot write " + path);
    }
    if (close(fd) != 0)
        fail("cannot write " + path);
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

void ignore_broken_pipes_in_this_thread()
{
    sigset_t pipe {};
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

void ignore_broken_pipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

bool library_exit_runs_alone()
{
    return false;
}

void use_starters_console() { }

void open_console() { }

std::string system_font_folder()
{
    return {}; // fontconfig finds them
}

namespace {

int end_request_pipe[2] = {-1, -1};
std::atomic<int> end_requests {0};

void end_requested(int signal_number)
{
    if (end_requests.fetch_add(1) > 0)
        _exit(128 + signal_number); // the second request: at once
    const char sign = static_cast<char>(signal_number);
    [[maybe_unused]] const ssize_t sent = write(end_request_pipe[1], &sign, 1);
}

} // namespace

void on_end_request(std::function<void()> first)
{
    if (pipe2(end_request_pipe, O_CLOEXEC) != 0)
        fail("cannot watch for requests to end");
    std::thread([first = std::move(first)] {
        ignore_broken_pipes_in_this_thread();
        char sign = 0;
        while (read(end_request_pipe[0], &sign, 1) < 0 && errno == EINTR) { }
        first();
    }).detach();
    struct sigaction action
    {
    };
    action.sa_handler = end_requested;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal_number, &action, nullptr);
}

namespace {

std::function<void()> exit_hook;

} // namespace

void before_exit(std::function<void()> first)
{
    exit_hook = std::move(first);
}

} // namespace platform

// Stands in front of the C library's exit(): the program's own hook runs first. Called only where
// the program exports it (the host), from libraries that end the process.
extern "C" void exit(int status) noexcept
{
    if (auto hook = std::exchange(platform::exit_hook, nullptr))
        hook();
    static const auto library_exit = reinterpret_cast<void (*)(int)>(dlsym(RTLD_NEXT, "exit"));
    library_exit(status);
    __builtin_unreachable();
}

namespace platform {

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
