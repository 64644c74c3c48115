#include "platform.h"

#include <QProcess>
#include <stdexcept>

namespace platform {

void start_native_process(const std::string& command_line)
{
    // Stand-in for the Windows shell: "explorer <folder>" opens the folder in the desktop's file
    // manager; other command lines go to the POSIX shell.
    const QString line = QString::fromStdString(command_line);
    bool started = false;
    if (line.startsWith(QLatin1String("explorer "))) {
        const auto folder = QString::fromStdString(local_path(line.mid(9).toStdString()));
        started = QProcess::startDetached(QStringLiteral("xdg-open"), {folder});
    } else {
        started = QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
    }
    if (!started)
        throw std::runtime_error("cannot start \"" + command_line + "\"");
}

} // namespace platform
