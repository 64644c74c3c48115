#include "test_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <clocale>
#include <cstdlib>
#include <fcntl.h>
#include <locale.h>
#include <malloc.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace test_platform {

QString built_program(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

QProcessEnvironment environment_for_copied_program()
{
    // Our libraries stay in the build's folder; Qt is the system's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString path = environment.value(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
        QCoreApplication::applicationDirPath() + (path.isEmpty() ? QString() : ":" + path));
    return environment;
}

bool copy_without_qt(const QString& /*program*/, const QString& /*folder*/)
{
    return false;
}

bool mount_small_disk(const QString& folder, int kilobytes)
{
    return geteuid() == 0
        && QProcess::execute(QStringLiteral("mount"),
               {"-t", "tmpfs", "-o", QStringLiteral("size=%1k,mode=0755").arg(kilobytes), "tmpfs",
                   folder})
        == 0;
}

void unmount(const QString& folder)
{
    QProcess::execute(QStringLiteral("umount"), {folder});
}

Held_File::Held_File(const QString& path, bool /*unshared*/)
{
    const int fd = open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || flock(fd, LOCK_EX) != 0)
        throw std::runtime_error("cannot hold " + path.toStdString());
    handle_ = fd;
}

Held_File::~Held_File()
{
    close(int(handle_));
}

Fuse_Folder::Fuse_Folder(const QStringList& faults)
{
    const QString program = built_program(QStringLiteral("fuse_passthrough"));
    if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0 || !QFile::exists(program))
        return;
    // It stays in the foreground until unmounted; started detached so that it outlives nothing.
    if (!QProcess::startDetached(program, QStringList {source_.path(), mount_.path()} + faults))
        return;
    for (int waited = 0; waited < 100 && !mounted_; ++waited) {
        QProcess mountpoint;
        mountpoint.start(QStringLiteral("mountpoint"), {"-q", mount_.path()});
        mounted_ = mountpoint.waitForFinished() && mountpoint.exitCode() == 0;
        if (!mounted_)
            usleep(50000);
    }
}

Fuse_Folder::~Fuse_Folder()
{
    if (mounted_)
        QProcess::execute(QStringLiteral("umount"), {"-l", mount_.path()});
}

std::optional<bool> asks_to_end_session(QWindow* /*window*/)
{
    return std::nullopt;
}

QString folder_rights(const QString& /*folder*/)
{
    return {};
}

QString cups_pdf_folder()
{
    const passwd* user = getpwuid(geteuid());
    return QFile::decodeName(user != nullptr ? user->pw_dir : "/root") + QStringLiteral("/PDF");
}

bool custom_paper_reaches_the_printer()
{
    return true;
}

int set_umask(int mask)
{
    return int(umask(mode_t(mask)));
}

QString qt_library_folder()
{
    return QLibraryInfo::path(QLibraryInfo::LibrariesPath);
}

std::size_t heap_in_use()
{
    return mallinfo2().uordblks;
}

double c_library_strtod(const std::string& text)
{
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtod_l(text.c_str(), nullptr, c_locale);
}

int redirect_into_file(int fd, const QString& path)
{
    const int file = open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int former = dup(fd);
    if (file < 0 || former < 0 || dup2(file, fd) < 0)
        throw std::runtime_error("cannot redirect a standard stream");
    close(file);
    return former;
}

void restore(int fd, int former)
{
    dup2(former, fd);
    close(former);
}

Stand_In::Stand_In(const QString& program, Place place)
    : former_path_(qgetenv("PATH"))
    , former_directory_(QDir::currentPath())
{
    QFile script(folder_.filePath(program));
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\nprintf '%s\\n' \"$(basename \"$0\") $*\" >> \"$0.started\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (place == Place::working_folder)
        QDir::setCurrent(folder_.path());
    else
        qputenv("PATH", QFile::encodeName(folder_.path()) + ':' + former_path_);
}

Stand_In::~Stand_In()
{
    QDir::setCurrent(former_directory_);
    qputenv("PATH", former_path_);
}

QStringList Stand_In::command_lines() const
{
    const QStringList programs = QDir(folder_.path()).entryList(QDir::Files | QDir::Executable);
    QFile log(folder_.filePath(programs.value(0) + ".started"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

bool browser_is_a_stand_in()
{
    return false;
}

bool has_linux_tool(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

bool run_linux_tool(const QString& name, QStringList arguments, const std::vector<int>& /*files*/)
{
    QProcess tool;
    tool.start(name, arguments);
    return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit
        && tool.exitCode() == 0;
}

} // namespace test_platform
