#include "platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>
#include <dlfcn.h>
#include <link.h>
#include <stdexcept>

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
    const QString file
        = in_program ? QFile::decodeName("/proc/self/exe") : QFile::decodeName(info.dli_fname);
    const QFileInfo resolved(QFileInfo(file).canonicalFilePath());
    if (resolved.filePath().isEmpty())
        throw std::runtime_error("cannot resolve the module's own file");
    return resolved.absolutePath().toStdString();
}

std::string local_path(const std::string& path)
{
    QString text = QString::fromStdString(path).replace(u'\\', u'/');
    if (text.size() >= 2 && text[1] == u':' && text[0].isLetter())
        text = QDir::homePath() + text.mid(2);
    return text.toStdString();
}

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

bool open_native_url(const std::string& url)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw std::runtime_error("no GUI application to open " + url);
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace platform
