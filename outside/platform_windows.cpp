// The platform layer on Windows: the shell's own services.

#include "platform.h"
#include "platform_native.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>
// sddl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

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

// The system's own words for an error, through the wide API: the narrow one gives them in the
// system's code page (Big5 on a Traditional-Chinese Windows), with a line break at the end.
std::string system_message(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!message.empty()
        && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '
            || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : narrow(message);
}

class Windows_Errors final : public std::error_category
{
public:
    const char* name() const noexcept override { return "windows"; }
    std::string message(int error) const override { return system_message(DWORD(error)); }
    std::error_condition default_error_condition(int error) const noexcept override
    {
        if (error == ERROR_ACCESS_DENIED)
            return std::errc::permission_denied;
        if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
            return std::errc::no_space_on_device;
        return {error, *this};
    }
};

const Windows_Errors windows_errors;

[[noreturn]] void fail(const std::string& what, DWORD error = GetLastError())
{
    throw std::system_error(static_cast<int>(error), windows_errors, what);
}

const std::wstring partial_prefix = L"~pelderwick-";

// NtSetInformationFile's FileLinkInformation: a second name for the file behind a handle, with
// no second opening of the file (which its sharing would refuse).
struct File_Link_Information
{
    BOOLEAN ReplaceIfExists;
    HANDLE RootDirectory;
    ULONG FileNameLength;
    WCHAR FileName[1];
};
constexpr ULONG file_link_information = 11;
constexpr LONG name_collision = LONG(0xC0000035); // STATUS_OBJECT_NAME_COLLISION

using Set_Information = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, ULONG);
using Status_To_Error = ULONG(WINAPI*)(LONG);

template <typename Function> Function ntdll_entry(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// Gives the file behind `file` the name `target` too; false when that name is taken, unless
// `replace` lets it take that file's place.
bool link_file(HANDLE file, const std::string& target, bool replace)
{
    static const auto set_information = ntdll_entry<Set_Information>("NtSetInformationFile");
    static const auto status_to_error = ntdll_entry<Status_To_Error>("RtlNtStatusToDosError");
    std::wstring full(32768, L'\0');
    full.resize(
        GetFullPathNameW(to_wide(target).c_str(), DWORD(full.size()), full.data(), nullptr));
    const std::wstring name = L"\\??\\" + full; // the system's own name, with backslashes
    std::vector<char> buffer(sizeof(File_Link_Information) + name.size() * sizeof(wchar_t));
    auto* link = reinterpret_cast<File_Link_Information*>(buffer.data());
    link->ReplaceIfExists = replace ? TRUE : FALSE;
    link->RootDirectory = nullptr;
    link->FileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), link->FileName);
    std::array<ULONG_PTR, 2> io_status {};
    const LONG status = set_information(file, io_status.data(), buffer.data(),
        static_cast<ULONG>(buffer.size()), file_link_information);
    if (status == name_collision && !replace)
        return false;
    if (status < 0)
        fail("cannot name " + target, status_to_error(status));
    return true;
}

} // namespace

struct Unpublished_File::System
{
    std::string folder;
    HANDLE handle = INVALID_HANDLE_VALUE;
};

Unpublished_File::Unpublished_File(const std::string& folder)
    : system_(std::make_unique<System>())
{
    system_->folder = folder.ends_with('/') || folder.ends_with('\\') ? folder : folder + "\\";
    // Deleted with its last handle from the first moment: however the process ends, an
    // unfinished file never stays. Publishing gives it a second name, which stays.
    for (unsigned attempt = 0; system_->handle == INVALID_HANDLE_VALUE; ++attempt) {
        const std::wstring name = to_wide(system_->folder) + partial_prefix
            + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64())
            + L"-" + std::to_wstring(attempt) + L".partial";
        system_->handle = CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (system_->handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            fail("cannot write in " + folder);
    }
}

Unpublished_File::~Unpublished_File()
{
    if (system_->handle != INVALID_HANDLE_VALUE)
        CloseHandle(system_->handle); // its unfinished name goes with it
}

void Unpublished_File::write(std::string_view content)
{
    while (!content.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1 << 20));
        if (!WriteFile(system_->handle, content.data(), chunk, &written, nullptr))
            fail("cannot write in " + system_->folder);
        if (written == 0)
            fail("cannot write in " + system_->folder, ERROR_DISK_FULL);
        content.remove_prefix(written);
    }
}

bool Unpublished_File::publish(const std::string& name, bool replace)
{
    const std::string target = system_->folder + name;
    if (!FlushFileBuffers(system_->handle))
        fail("cannot write " + target);
    // The attributes belong to the file, not to one of its names: the envelope is not hidden.
    FILE_BASIC_INFO basic {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(system_->handle, FileBasicInfo, &basic, sizeof basic))
        fail("cannot write " + target);
    if (!link_file(system_->handle, target, replace)) {
        basic.FileAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY;
        SetFileInformationByHandle(system_->handle, FileBasicInfo, &basic, sizeof basic);
        return false;
    }
    return finish_publishing(target);
}

bool Unpublished_File::finish_publishing(const std::string& target)
{
    if (!CloseHandle(std::exchange(system_->handle, INVALID_HANDLE_VALUE))) {
        const DWORD error = GetLastError();
        DeleteFileW(to_wide(target).c_str());
        fail("cannot write " + target, error);
    }
    return true;
}

namespace {

// Shared by every account of the PC: the system and the administrators may do anything; every
// user may see what the folder holds and add files and folders there; each file and folder
// added is its creator's alone (CREATOR OWNER). Nothing is inherited from above, where C:\ lets
// every user change every new file.
constexpr wchar_t shared_folder_rights[]
    = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200af;;;BU)(A;OICIIO;FA;;;CO)";

void make_shared_folder(const std::wstring& folder)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            shared_folder_rights, SDDL_REVISION_1, &descriptor, nullptr))
        fail("cannot describe the rights of " + narrow(folder));
    SECURITY_ATTRIBUTES attributes {sizeof attributes, descriptor, FALSE};
    const bool made = CreateDirectoryW(folder.c_str(), &attributes) != 0;
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (!made && error != ERROR_ALREADY_EXISTS)
        fail("cannot make " + narrow(folder), error);
}

} // namespace

std::string user_name()
{
    std::vector<wchar_t> name(257);
    auto size = static_cast<DWORD>(name.size());
    if (!GetUserNameW(name.data(), &size) || size == 0)
        return "user";
    return narrow(std::wstring(name.data(), size - 1));
}

void make_output_folder(const std::string& folder)
{
    // Each missing folder from the drive down is made with the shared rights.
    const std::wstring wide = to_wide(folder);
    for (std::size_t end = wide.find_first_of(L"\\/", 3); end != std::wstring::npos;
         end = wide.find_first_of(L"\\/", end + 1))
        make_shared_folder(wide.substr(0, end));
    if (!wide.ends_with(L'\\') && !wide.ends_with(L'/'))
        make_shared_folder(wide);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw std::runtime_error(folder + " is not a folder");
}

namespace {

using namespace std::chrono_literals;

bool held_by_another(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// The log, opened not through a link, for reading its last line's end too; a viewer, a backup
// or a virus scanner holding it without sharing is waited for a few seconds.
HANDLE open_log(const std::string& path)
{
    const std::wstring wide = to_wide(path);
    const DWORD found = GetFileAttributesW(wide.c_str());
    if (found != INVALID_FILE_ATTRIBUTES
        && (found
               & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
            != 0)
        throw std::runtime_error("cannot write " + path + ": not a regular file");
    const auto until = std::chrono::steady_clock::now() + 10s;
    for (;;) {
        const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            if (GetFileType(file) == FILE_TYPE_DISK)
                return file;
            CloseHandle(file);
            throw std::runtime_error("cannot write " + path + ": not a regular file");
        }
        const DWORD error = GetLastError();
        if (!held_by_another(error) || std::chrono::steady_clock::now() >= until)
            fail("cannot write " + path, error);
        Sleep(50);
    }
}

// Another program's lock on the log is waited for a few seconds, not for ever.
bool lock_within(HANDLE file, OVERLAPPED& whole, std::chrono::milliseconds patience)
{
    const auto until = std::chrono::steady_clock::now() + patience;
    while (!LockFileEx(
        file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
        if (!held_by_another(GetLastError()) || std::chrono::steady_clock::now() >= until)
            return false;
        Sleep(20);
    }
    return true;
}

// Whether the file's last line lacks its end (edited by hand, or torn by a crash).
bool last_line_open(HANDLE file, LARGE_INTEGER size)
{
    if (size.QuadPart == 0)
        return false;
    OVERLAPPED at {};
    const ULONGLONG last = ULONGLONG(size.QuadPart - 1);
    at.Offset = DWORD(last);
    at.OffsetHigh = DWORD(last >> 32);
    char byte = '\n';
    DWORD read = 0;
    return ReadFile(file, &byte, 1, &read, &at) && read == 1 && byte != '\n';
}

} // namespace

void append_line(const std::string& path, const std::string& line)
{
    const HANDLE file = open_log(path);
    // Other processes appending to the same log take the same lock.
    OVERLAPPED whole {};
    if (!lock_within(file, whole, 5s)) {
        CloseHandle(file);
        throw std::runtime_error("cannot write " + path + ": another program keeps it locked");
    }
    LARGE_INTEGER end {};
    const bool sized = GetFileSizeEx(file, &end) != 0;
    const std::string text
        = (sized && last_line_open(file, end) ? "\n" : "") + line + "\n"; // as on every system
    DWORD written = 0;
    const bool wrote = sized && SetFilePointerEx(file, end, nullptr, FILE_BEGIN)
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
    return system_message(GetLastError());
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

void prepare_program()
{
    // Libraries only from the program's folder and the system's, never the working folder
    // or PATH, whoever loads them (Qt's plugins, the system's own libraries).
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
}

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

void block_session_end(void* native_window, const std::string& reason)
{
    ShutdownBlockReasonCreate(static_cast<HWND>(native_window), to_wide(reason).c_str());
}

void allow_session_end(void* native_window)
{
    ShutdownBlockReasonDestroy(static_cast<HWND>(native_window));
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

namespace {

// The Windows folder's program, by its full path: a program of the same name in the working
// folder (Downloads, say) is never started in its place.
std::wstring windows_program(const wchar_t* name)
{
    std::vector<wchar_t> folder(MAX_PATH);
    const UINT length = GetWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size())
        fail("cannot find the Windows folder");
    return std::wstring(folder.data(), length) + L"\\" + name;
}

} // namespace

bool run_in_shell(const std::string& command_line)
{
    std::vector<wchar_t> system(MAX_PATH);
    const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
    if (length == 0 || length >= system.size())
        return false;
    const std::wstring folder(system.data(), length);
    const std::wstring shell = folder + L"\\cmd.exe";
    std::wstring line = L"cmd.exe /c " + to_wide(command_line);
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(shell.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
            folder.c_str(), &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void start_native_process(const std::string& command_line)
{
    // One exact command line: QProcess would rebuild it from arguments and change its spacing.
    std::wstring line = to_wide(command_line);
    const std::wstring explorer
        = command_line.starts_with("explorer ") ? windows_program(L"explorer.exe") : L"";
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(explorer.empty() ? nullptr : explorer.c_str(), line.data(), nullptr,
            nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error(
            "cannot start \"" + command_line + "\": " + system_message(GetLastError()));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace platform
