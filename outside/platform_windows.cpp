// The platform layer on Windows: the shell's own services.

#include "platform.h"
#include "platform_native.h"

#include <cstdio>
#include <io.h>
#include <stdexcept>
#include <string>
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
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        std::fflush(stream);
        const std::wstring line = to_wide(text + "\r\n");
        DWORD written = 0;
        WriteConsoleW(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
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
