#include "platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>

namespace platform {

namespace {

std::wstring wide(const std::string& utf8)
{
    return QString::fromStdString(utf8).toStdWString();
}

std::string narrow(const std::wstring& text)
{
    return QString::fromStdWString(text).toStdString();
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

void start_native_process(const std::string& command_line)
{
    // One exact command line: QProcess would rebuild it from arguments and change its spacing.
    std::wstring line = wide(command_line);
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

bool open_native_url(const std::string& url)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw std::runtime_error("no GUI application to open " + url);
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace platform
