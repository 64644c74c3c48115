// The platform layer on Windows: the shell's own services.

#include "platform.h"
#include "platform_native.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>
#include <windows.h>

namespace platform {

namespace {

std::string narrow(const std::wstring& text)
{
    const int size = WideCharToMultiByte(
        CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
        nullptr, nullptr);
    return result;
}

std::wstring to_wide(const std::string& utf8)
{
    const int size
        = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

} // namespace

std::string module_directory()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&module_directory), &module))
        throw std::runtime_error("cannot find the module's own file");
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length
            = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            throw std::runtime_error("cannot read the module's file name");
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            return narrow(path.substr(0, path.find_last_of(L"\\/")));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string local_path(const std::string& path)
{
    return path;
}

std::filesystem::path native_path(const std::string& path)
{
    return {to_wide(path)};
}

namespace {

[[noreturn]] void fail(const std::string& what, DWORD error = GetLastError())
{
    throw std::system_error(static_cast<int>(error), std::system_category(), what);
}

// Whether the file goes away when its handle closes: set while it is being written.
bool delete_on_close(HANDLE file, bool deleted)
{
    FILE_DISPOSITION_INFO disposition {};
    disposition.DeleteFile = deleted ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)
        != 0;
}

} // namespace

struct Unpublished_File::System
{
    std::string folder;
    HANDLE handle = INVALID_HANDLE_VALUE;
    int fd = -1;
};

Unpublished_File::Unpublished_File(const std::string& folder)
    : system_(std::make_unique<System>())
{
    system_->folder = folder.ends_with('/') || folder.ends_with('\\') ? folder : folder + "\\";
    for (unsigned attempt = 0; system_->handle == INVALID_HANDLE_VALUE; ++attempt) {
        const std::string name = system_->folder + "~pelderwick-"
            + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-"
            + std::to_string(attempt) + ".partial";
        system_->handle = CreateFileW(to_wide(name).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
            CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (system_->handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            fail("cannot write in " + folder);
    }
    if (!delete_on_close(system_->handle, true)) {
        const DWORD error = GetLastError();
        CloseHandle(system_->handle);
        fail("cannot write in " + folder, error);
    }
    system_->fd = _open_osfhandle(reinterpret_cast<intptr_t>(system_->handle), _O_BINARY);
    if (system_->fd < 0) {
        CloseHandle(system_->handle);
        fail("cannot write in " + folder);
    }
}

Unpublished_File::~Unpublished_File()
{
    if (system_->fd >= 0)
        _close(system_->fd); // the file goes with its handle unless it was published
}

int Unpublished_File::descriptor() const
{
    return system_->fd;
}

bool Unpublished_File::publish(const std::string& name, bool replace)
{
    const std::string target = system_->folder + name;
    if (!FlushFileBuffers(system_->handle))
        fail("cannot write " + target);
    const std::wstring wide = to_wide(target);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + wide.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    std::copy(wide.begin(), wide.end(), rename->FileName);
    if (!delete_on_close(system_->handle, false))
        fail("cannot write " + target);
    if (!SetFileInformationByHandle(
            system_->handle, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        const DWORD error = GetLastError();
        delete_on_close(system_->handle, true);
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
            return false;
        fail("cannot name " + target, error);
    }
    FILE_BASIC_INFO basic {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(system_->handle, FileBasicInfo, &basic, sizeof basic);
    return finish_publishing(target);
}

bool Unpublished_File::finish_publishing(const std::string& target)
{
    if (_close(std::exchange(system_->fd, -1)) != 0) {
        DeleteFileW(to_wide(target).c_str());
        fail("cannot write " + target);
    }
    return true;
}

void append_line(const std::string& path, const std::string& line)
{
    const HANDLE file = CreateFileW(to_wide(path).c_str(), GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail("cannot write " + path);
    // Other processes appending to the same log take the same lock.
    OVERLAPPED whole {};
    LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    LARGE_INTEGER end {};
    const std::string text = line + "\n"; // the same lines on every system
    DWORD written = 0;
    const bool wrote = SetFilePointerEx(file, LARGE_INTEGER {}, &end, FILE_END)
        && WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size();
    const DWORD error = wrote ? 0 : GetLastError();
    if (!wrote) {
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN); // a torn line is taken back
        SetEndOfFile(file);
    }
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    const bool closed = CloseHandle(file) != 0;
    if (!wrote)
        fail("cannot write " + path, error != 0 ? error : ERROR_DISK_FULL);
    if (!closed)
        fail("cannot write " + path);
}

std::string own_library_path(const std::string& name)
{
    return module_directory() + "\\" + name + ".dll";
}

std::string qt_library_file(const std::string& module)
{
    return "Qt6" + module + ".dll";
}

void* open_library(const std::string& name)
{
    // The program's own folder and the system's, never the working folder or PATH, so that no
    // stray library of the same name is taken; a library given by its path finds its own
    // dependencies beside it.
    const bool path = name.find_first_of("\\/") != std::string::npos;
    const DWORD search
        = LOAD_LIBRARY_SEARCH_DEFAULT_DIRS | (path ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR : 0);
    return reinterpret_cast<void*>(LoadLibraryExW(to_wide(name).c_str(), nullptr, search));
}

void* library_entry(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string library_error()
{
    return "error " + std::to_string(GetLastError());
}

namespace {

// A windowed program's standard stream that leads nowhere.
bool leads_nowhere(std::FILE* stream)
{
    const intptr_t handle = _get_osfhandle(_fileno(stream));
    return handle == -1 || handle == -2;
}

void streams_to_console()
{
    if (leads_nowhere(stdin))
        std::freopen("CONIN$", "r", stdin);
    if (leads_nowhere(stdout))
        std::freopen("CONOUT$", "w", stdout);
    if (leads_nowhere(stderr))
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace

void write_line(std::FILE* stream, const std::string& text)
{
    // Straight to the stream's handle, past the C runtime's buffer and lock: a thread ended in the
    // middle of a line then holds nothing that the end of the process would wait for.
    if (leads_nowhere(stream))
        return;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring line = to_wide(text + "\r\n");
        WriteConsoleW(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const std::string line = text + "\n";
    for (std::size_t done = 0; done < line.size(); done += written) {
        if (!WriteFile(handle, line.data() + done, static_cast<DWORD>(line.size() - done), &written,
                nullptr)
            || written == 0)
            return; // the reader has gone
    }
}

void ignore_broken_pipes_in_this_thread() { } // a write to a closed pipe just fails here

void ignore_broken_pipes() { }

bool library_exit_runs_alone()
{
    return true;
}

void use_starters_console()
{
    if (leads_nowhere(stdout) && AttachConsole(ATTACH_PARENT_PROCESS))
        streams_to_console();
}

void open_console()
{
    if (GetConsoleWindow() == nullptr && leads_nowhere(stdin) && AllocConsole()) {
        SetConsoleTitleW(L"Pelderwick");
        streams_to_console();
    }
}

namespace {

std::function<void()> end_request;
std::atomic<int> end_requests {0};

BOOL WINAPI console_asks_to_end(DWORD event)
{
    if (end_requests.fetch_add(1) > 0)
        ExitProcess(1); // the second request: at once
    end_request();
    // Closing the console, logging off or shutting down ends the process as soon as this returns:
    // waiting here gives the worker the seconds the system allows to finish its requests.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

} // namespace

void on_end_request(std::function<void()> first)
{
    end_request = std::move(first);
    SetConsoleCtrlHandler(console_asks_to_end, TRUE);
}

void before_exit(std::function<void()> /*first*/)
{
    // Windows' platform never ends the process under the window: nothing to stand in front of.
}

void unset_environment(const char* name)
{
    _putenv_s(name, ""); // an empty value removes it
}

std::string system_font_folder()
{
    std::vector<wchar_t> folder(MAX_PATH);
    const UINT length = GetWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size())
        return {};
    return narrow(std::wstring(folder.data(), length)) + "\\Fonts";
}

bool display_available()
{
    return true;
}

void start_native_process(const std::string& command_line)
{
    // One exact command line: QProcess would rebuild it from arguments and change its spacing.
    std::wstring line = to_wide(command_line);
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(
            nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error(
            "cannot start \"" + command_line + "\" (error " + std::to_string(GetLastError()) + ")");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace platform
