#include "capture.h"
#include "test_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <QUuid>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <locale.h>
#include <malloc.h>
#include <share.h>
#include <stdexcept>
#include <sys/stat.h>
// sddl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

namespace test_platform {

QString built_program(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name
        + QStringLiteral(".exe");
}

QProcessEnvironment environment_for_copied_program()
{
    // Qt's libraries and plugins stay in the build's folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString built = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    environment.insert(QStringLiteral("PATH"),
        built + QLatin1Char(';') + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), built);
    return environment;
}

bool copy_without_qt(const QString& program, const QString& folder)
{
    const QDir built(QCoreApplication::applicationDirPath());
    bool copied = QFile::copy(built_program(program), QDir(folder).filePath(program + ".exe"));
    for (const QString& library : built.entryList({QStringLiteral("*.dll")}, QDir::Files)) {
        if (!library.startsWith(QLatin1String("Qt6")))
            copied = copied && QFile::copy(built.filePath(library), QDir(folder).filePath(library));
    }
    return copied;
}

bool mount_small_disk(const QString& folder, int kilobytes)
{
    // Under Wine as root: a small disk of Linux's on the folder's Unix path.
    return run_linux_tool(QStringLiteral("mount"),
        {"-t", "tmpfs", "-o", QStringLiteral("size=%1k,mode=0755").arg(kilobytes), "tmpfs", folder},
        {5});
}

void unmount(const QString& folder)
{
    run_linux_tool(QStringLiteral("umount"), {folder}, {0});
}

Held_File::Held_File(const QString& path, bool unshared)
{
    const DWORD sharing = unshared ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    const HANDLE file = CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(),
        GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
        nullptr);
    OVERLAPPED whole {};
    if (file == INVALID_HANDLE_VALUE
        || !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
        throw std::runtime_error("cannot hold " + path.toStdString());
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

Held_File::~Held_File()
{
    CloseHandle(reinterpret_cast<HANDLE>(handle_)); // its lock goes with it
}

Fuse_Folder::Fuse_Folder(const QStringList& /*faults*/) { } // no FUSE on Windows

Fuse_Folder::~Fuse_Folder() = default;

std::optional<bool> asks_to_end_session(QWindow* window)
{
    if (QGuiApplication::platformName() != QLatin1String("windows"))
        return std::nullopt;
    const auto handle = reinterpret_cast<HWND>(window->winId());
    const bool agreed = SendMessageW(handle, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != 0;
    SendMessageW(handle, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF); // the session goes on
    return agreed;
}

QString folder_rights(const QString& folder)
{
    const std::wstring name = QDir::toNativeSeparators(folder).toStdWString();
    DWORD size = 0;
    GetFileSecurityW(name.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<char> descriptor(size);
    wchar_t* text = nullptr;
    if (size == 0
        || !GetFileSecurityW(
            name.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size)
        || !ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return {};
    const QString rights = QString::fromWCharArray(text);
    LocalFree(text);
    return rights;
}

int set_umask(int mask)
{
    return _umask(mask);
}

QString qt_library_folder()
{
    return QCoreApplication::applicationDirPath(); // copied beside the programs
}

std::size_t heap_in_use()
{
    std::size_t used = 0;
    _HEAPINFO entry {};
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY)
            used += entry._size;
    }
    return used;
}

double c_library_strtod(const std::string& text)
{
    static const _locale_t c_locale = _create_locale(LC_ALL, "C");
    return _strtod_l(text.c_str(), nullptr, c_locale);
}

int redirect_into_file(int fd, const QString& path)
{
    // Shared for reading: Windows refuses a second open of a file opened without sharing.
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const int file = _wsopen(name.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _SH_DENYNO,
        _S_IREAD | _S_IWRITE);
    const int former = _dup(fd);
    if (file < 0 || former < 0 || _dup2(file, fd) < 0)
        throw std::runtime_error("cannot redirect a standard stream");
    _close(file);
    return former;
}

void restore(int fd, int former)
{
    _dup2(former, fd);
    _close(former);
}

namespace {

QString windows_folder()
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    return QDir::fromNativeSeparators(QString::fromWCharArray(folder, int(length)));
}

} // namespace

Stand_In::Stand_In(const QString& program, Place place)
    : former_directory_(QDir::currentPath())
{
    const QString stand_in
        = QCoreApplication::applicationDirPath() + QStringLiteral("/stand-ins/stand_in.exe");
    if (place == Place::working_folder) {
        QFile::copy(stand_in, folder_.filePath(program + QStringLiteral(".exe")));
        QDir::setCurrent(folder_.path());
        return;
    }
    // The system's own program, by its full path: kept aside meanwhile.
    replaced_ = windows_folder() + QLatin1Char('/') + program + QStringLiteral(".exe");
    QFile::rename(replaced_, folder_.filePath(QStringLiteral("original")));
    QFile::copy(stand_in, replaced_);
}

Stand_In::~Stand_In()
{
    QDir::setCurrent(former_directory_);
    if (replaced_.isEmpty())
        return;
    QFile::remove(replaced_);
    QFile::remove(replaced_ + QStringLiteral(".started"));
    QFile::rename(folder_.filePath(QStringLiteral("original")), replaced_);
}

QStringList Stand_In::command_lines() const
{
    const QStringList programs = QDir(folder_.path()).entryList({QStringLiteral("*.exe")});
    QFile log(replaced_.isEmpty() && !programs.isEmpty()
            ? folder_.filePath(programs.first() + QStringLiteral(".started"))
            : replaced_ + QStringLiteral(".started"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(unix_line_ends(log.readAll())).split(u'\n', Qt::SkipEmptyParts);
}

bool browser_is_a_stand_in()
{
    const QSettings command(
        QStringLiteral("HKEY_CLASSES_ROOT\\https\\shell\\open\\command"), QSettings::NativeFormat);
    return command.value(QStringLiteral("Default"))
        .toString()
        .contains(QStringLiteral("browser.exe"));
}

namespace {

// Wine's own export: the Unix path of a Windows path; absent on Windows itself.
using Unix_Name = char* (*)(const wchar_t*);

Unix_Name wine_unix_name()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return reinterpret_cast<Unix_Name>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
}

QString unix_path(const QString& path)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    char* converted = wine_unix_name()(name.c_str());
    if (converted == nullptr)
        return path;
    const QString result = QString::fromUtf8(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

} // namespace

bool has_linux_tool(const QString& name)
{
    return wine_unix_name() != nullptr && QFile::exists(QStringLiteral("Z:/usr/bin/") + name);
}

bool run_linux_tool(const QString& name, QStringList arguments, const std::vector<int>& files)
{
    // Wine starts a Linux program but gives QProcess nothing to wait on: a shell runs the tool
    // and then leaves a mark that says how it ended.
    if (!has_linux_tool(name))
        return false;
    for (int at : files)
        arguments[at] = unix_path(arguments[at]);
    const QString mark = QDir::temp().filePath(
        QStringLiteral("tool-") + QUuid::createUuid().toString(QUuid::Id128));
    const QStringList shell = {QStringLiteral("-c"),
        QStringLiteral("m=$1; shift; if \"$@\" >/dev/null 2>&1; then touch \"$m.ok\"; "
                       "else touch \"$m.failed\"; fi"),
        QStringLiteral("sh"), unix_path(mark), QStringLiteral("/usr/bin/") + name};
    if (!QProcess::startDetached(QStringLiteral("Z:/bin/sh"), shell + arguments))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000) {
        if (QFile::remove(mark + QStringLiteral(".ok")))
            return true;
        if (QFile::remove(mark + QStringLiteral(".failed")))
            return false;
        QThread::msleep(20);
    }
    return false;
}

QString cups_pdf_folder()
{
    // The Linux user's home, which Wine names "\??\Z:\root".
    QString home = qEnvironmentVariable("WINEHOMEDIR", QStringLiteral("\\??\\Z:\\root"));
    home.remove(QStringLiteral("\\??\\"));
    return QDir::fromNativeSeparators(home) + QStringLiteral("/PDF");
}

bool custom_paper_reaches_the_printer()
{
    return wine_unix_name() == nullptr; // Wine prints a custom size on the queue's first paper
}

} // namespace test_platform
