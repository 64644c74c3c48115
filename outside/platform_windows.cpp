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

} // namespace

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
