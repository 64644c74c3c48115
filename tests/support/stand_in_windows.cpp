// Stands in for a program the window has Windows start (the file explorer, the browser): appends
// its own command line, exactly as it was given, as one line to the file beside itself named
// after it ("explorer.exe.started"), and ends.

#include <cstdio>
#include <string>
#include <windows.h>

int main()
{
    std::wstring log(MAX_PATH, L'\0');
    log.resize(GetModuleFileNameW(nullptr, log.data(), static_cast<DWORD>(log.size())));
    if (log.empty())
        return 2;
    log += L".started";
    const std::wstring line = GetCommandLineW();
    const int size = WideCharToMultiByte(
        CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), size,
        nullptr, nullptr);
    std::FILE* file = _wfopen(log.c_str(), L"ab");
    if (file == nullptr)
        return 1;
    utf8 += '\n';
    const bool written = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
    return std::fclose(file) == 0 && written ? 0 : 1;
}
