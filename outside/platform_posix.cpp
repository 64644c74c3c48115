// The platform layer on Linux and other POSIX systems: stand-ins for the Windows shell.

#include "platform.h"
#include "platform_native.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <link.h>
#include <mutex>
#include <pthread.h>
#include <pwd.h>
#include <set>
#include <spawn.h>
#include <stdexcept>
#include <string_view>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
    // The module's own folder may hold a backslash in its name: only what follows it is read.
    static const std::string module = module_directory();
    const std::size_t kept = path.starts_with(module) ? module.size() : 0;
    std::string text = path;
    std::replace(text.begin() + std::ptrdiff_t(kept), text.end(), '\\', '/');
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

namespace {

const std::string hidden_prefix = ".pelderwick-";

// Read and write for everyone, less the umask, as any program's new file. Read from the kernel:
// setting the umask to learn it would race with other threads' new files.
mode_t new_file_mode()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:"))
            return mode_t(0666 & ~std::stoul(line.substr(6), nullptr, 8));
    }
    return mode_t(0644);
}

// The hidden files that processes of this program left when they ended before publishing them
// (where the folder has no nameless files): gone the first time this process writes there.
void sweep_stale_files(const std::string& folder)
{
    static std::mutex mutex;
    static std::set<std::string> swept;
    const std::lock_guard lock(mutex);
    if (!swept.insert(folder).second)
        return;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(hidden_prefix))
            continue;
        pid_t pid = 0;
        const auto digits = name.substr(hidden_prefix.size());
        const auto [end, error]
            = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
        const bool running = kill(pid, 0) == 0 || errno == EPERM;
        if (error == std::errc() && *end == '-' && pid > 0 && pid != getpid() && !running)
            unlinkat(dirfd(listing), entry->d_name, 0);
    }
    closedir(listing);
}

std::string hidden_name(const std::string& folder, const std::string& suffix)
{
    return folder + hidden_prefix + std::to_string(getpid()) + "-" + suffix;
}

} // namespace

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
    sweep_stale_files(system_->folder);
    system_->fd = open(system_->folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (system_->fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::string name = hidden_name(system_->folder, "XXXXXX");
        system_->fd = mkostemp(name.data(), O_CLOEXEC);
        if (system_->fd >= 0) {
            system_->named = name;
            fchmod(system_->fd, new_file_mode()); // as the nameless file's
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

namespace {

// All of `text`, however many writes it takes; false with the system's reason in errno.
bool write_all(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            errno = written == 0 ? ENOSPC : errno;
            return false;
        }
        text.remove_prefix(std::size_t(written));
    }
    return true;
}

} // namespace

void Unpublished_File::write(std::string_view content)
{
    if (!write_all(system_->fd, content))
        fail("cannot write in " + system_->folder);
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

bool refused_as_unsupported(int error)
{
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL;
}

// Gives the hidden file `from` the name `to`, unless that name is taken (false). Where the folder
// has no hard links (FAT and exFAT, many network mounts), a rename that refuses to replace does
// it; where that is missing too, the name is first taken by an empty file that the rename then
// replaces.
bool name_hidden_file(const std::string& from, const std::string& to)
{
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST)
        return false;
    if (!refused_as_unsupported(errno))
        fail("cannot name " + to);
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (!refused_as_unsupported(errno))
        fail("cannot name " + to);
    const int claim = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (claim < 0 && errno == EEXIST)
        return false;
    if (claim < 0)
        fail("cannot name " + to);
    close(claim);
    if (rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        unlink(to.c_str());
        errno = error;
        fail("cannot name " + to);
    }
    return true;
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
            const std::string hidden = hidden_name(file.folder, std::to_string(attempt));
            if (link_nameless(file.fd, hidden))
                file.named = hidden;
        }
    }
    if (replace && rename(file.named.c_str(), target.c_str()) != 0)
        fail("cannot name " + target);
    if (!replace && !name_hidden_file(file.named, target))
        return false;
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

std::string user_name()
{
    passwd entry {};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return std::to_string(getuid());
}

void make_output_folder(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    struct stat info
    {
    };
    if (stat(folder.c_str(), &info) != 0)
        fail("cannot use " + folder);
    if (!S_ISDIR(info.st_mode))
        throw std::runtime_error(folder + " is not a folder");
    if (info.st_uid != geteuid())
        throw std::runtime_error("輸出資料夾 " + folder + " 屬於另一個使用者，信封不寫在那裡");
    if ((info.st_mode & S_IWOTH) != 0)
        throw std::runtime_error("輸出資料夾 " + folder + " 人人都能寫入，信封不寫在那裡");
}

namespace {

using namespace std::chrono_literals;

// Another program's lock on the log is waited for a few seconds, not for ever.
bool lock_within(int fd, std::chrono::milliseconds patience)
{
    const auto until = std::chrono::steady_clock::now() + patience;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Whether the file's last line lacks its end (edited by hand, or torn by a crash).
bool last_line_open(int fd, off_t size)
{
    char last = '\n';
    return size > 0 && pread(fd, &last, 1, size - 1) == 1 && last != '\n';
}

// The log, opened without following a link and without waiting for a reader: only a regular
// file is written. Read too where it may be, to see how its last line ends.
int open_log(const std::string& path)
{
    const int flags = O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = open(path.c_str(), O_RDWR | flags, 0666);
    if (fd < 0 && errno == EACCES)
        fd = open(path.c_str(), O_WRONLY | flags, 0666);
    struct stat info
    {
    };
    if (fd < 0 && (errno == ELOOP || errno == ENXIO || errno == EISDIR))
        throw std::runtime_error("cannot write " + path + ": not a regular file");
    if (fd < 0)
        fail("cannot write " + path);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        throw std::runtime_error("cannot write " + path + ": not a regular file");
    }
    return fd;
}

} // namespace

void append_line(const std::string& path, const std::string& line)
{
    const int fd = open_log(path);
    // Other processes appending to the same log take the same lock.
    if (!lock_within(fd, 5s)) {
        close(fd);
        throw std::runtime_error("cannot write " + path + ": another program keeps it locked");
    }
    struct stat before
    {
    };
    const bool sized = fstat(fd, &before) == 0;
    const std::string text
        = (sized && last_line_open(fd, before.st_size) ? "\n" : "") + line + '\n';
    if (!write_all(fd, text)) {
        const int error = errno;
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

namespace {

bool unix_socket_answers(const std::string& path)
{
    sockaddr_un address {};
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answered
        = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return answered;
}

bool wayland_answers()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (name == nullptr || *name == '\0')
        return false;
    return unix_socket_answers(
        name[0] == '/' ? name : std::string(runtime != nullptr ? runtime : "") + "/" + name);
}

// Asked through the X client library, as Qt will: a DISPLAY left behind by a closed ssh session
// or a sudo names a server that is not there, and Qt then ends the process.
bool x_display_answers()
{
    const char* display = std::getenv("DISPLAY");
    void* xcb = display != nullptr && *display != '\0' ? dlopen("libxcb.so.1", RTLD_NOW) : nullptr;
    if (xcb == nullptr)
        return false;
    using Connect = void* (*)(const char*, int*);
    using Has_Error = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    const auto has_error = reinterpret_cast<Has_Error>(dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool answered = false;
    if (connect != nullptr && has_error != nullptr && disconnect != nullptr) {
        void* connection = connect(nullptr, nullptr);
        answered = has_error(connection) == 0;
        disconnect(connection);
    }
    dlclose(xcb);
    return answered;
}

} // namespace

bool display_available()
{
    const char* qt_platform = std::getenv("QT_QPA_PLATFORM");
    if (qt_platform != nullptr
        && (std::strcmp(qt_platform, "offscreen") == 0 || std::strcmp(qt_platform, "minimal") == 0))
        return true;
    return wayland_answers() || x_display_answers();
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

void prepare_program()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null = open("/dev/null", O_RDWR); // the lowest free number: fd itself
        if (null >= 0 && null != fd) {
            dup2(null, fd);
            close(null);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
}

bool library_exit_runs_alone()
{
    return false;
}

void use_starters_console() { }

void open_console() { }

void block_session_end(void* /*native_window*/, const std::string& /*reason*/) { }

void allow_session_end(void* /*native_window*/) { }

void unset_environment(const char* name)
{
    unsetenv(name);
}

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

bool run_in_shell(const std::string& command_line)
{
    return std::system(command_line.c_str()) != -1;
}

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
