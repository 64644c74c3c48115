// A program of ours on Windows: this small launcher, which needs nothing but the system's own
// libraries, and the program itself in a library beside it ("pelderwick.exe" runs
// "pelderwick_main.dll"). The launcher first restricts where libraries come from to the
// program's folder and the system's, then loads the program: a library missing beside it is then
// never taken from the working folder (Downloads, say) or from PATH.

#include <string>
#include <windows.h>

namespace {

using Program_Main = int (*)(int argc, char** argv);

// Said where the user can see it: the console or the stream the program was started with, else
// a message box (a double-clicked program has neither).
void say_failure(const std::wstring& text)
{
    const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    const std::wstring line = text + L"\r\n";
    if (error != nullptr && error != INVALID_HANDLE_VALUE && GetConsoleMode(error, &mode)) {
        WriteConsoleW(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    if (error != nullptr && error != INVALID_HANDLE_VALUE && !attached) {
        const int size = WideCharToMultiByte(
            CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(),
            size, nullptr, nullptr);
        if (WriteFile(error, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr))
            return;
    }
    MessageBoxW(nullptr, text.c_str(), L"Pelderwick", MB_OK | MB_ICONERROR);
}

std::wstring reason(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return message;
}

} // namespace

int main(int argc, char** argv)
{
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
    std::wstring library(32768, L'\0');
    library.resize(GetModuleFileNameW(nullptr, library.data(), DWORD(library.size())));
    const auto dot = library.rfind(L'.');
    library = library.substr(0, dot) + L"_main.dll";
    const HMODULE program = LoadLibraryExW(
        library.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    const auto entry = program != nullptr ? reinterpret_cast<Program_Main>(
                           reinterpret_cast<void*>(GetProcAddress(program, "pelderwick_main")))
                                          : nullptr;
    if (entry == nullptr) {
        say_failure(L"Pelderwick: cannot load " + library + L": " + reason(GetLastError())
            + L" (a library it needs is missing beside it)");
        return 1;
    }
    return entry(argc, argv);
}
