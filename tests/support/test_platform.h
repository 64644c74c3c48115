#pragma once

// What the tests need of the system they run on, in one file per system as the program's own
// platform layer has it.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWindow>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace test_platform {

// A program built beside the tests: "pelderwick" is ".../pelderwick.exe" on Windows.
QString built_program(const QString& name);

// What a program of ours needs to start when it is copied away from the build's folder.
QProcessEnvironment environment_for_copied_program();

// Copies a program of ours into `folder` with what it needs but Qt's libraries; false where Qt
// cannot be taken away from it (elsewhere than Windows Qt is the system's).
bool copy_without_qt(const QString& program, const QString& folder);

// A small disk of its own on `folder`, to fill up (root mounts a tmpfs on Linux); false where
// none can be had. unmount() gives the folder back.
bool mount_small_disk(const QString& folder, int kilobytes);
void unmount(const QString& folder);

// While it lives, the file is held as another program would hold it: locked for writing, and on
// Windows also opened without write sharing when `unshared`.
class Held_File
{
public:
    Held_File(const QString& path, bool unshared);
    ~Held_File();
    Held_File(const Held_File&) = delete;
    Held_File& operator=(const Held_File&) = delete;

private:
    std::intptr_t handle_ = -1;
};

// A folder seen through the tests' FUSE pass-through (support/fuse_passthrough.cpp) with its
// faults ("--no-links", "--no-exclusive-rename"); not mounted where FUSE cannot be had.
class Fuse_Folder
{
public:
    explicit Fuse_Folder(const QStringList& faults);
    ~Fuse_Folder();
    Fuse_Folder(const Fuse_Folder&) = delete;
    Fuse_Folder& operator=(const Fuse_Folder&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return mount_.path(); }

private:
    QTemporaryDir source_;
    QTemporaryDir mount_;
    bool mounted_ = false;
};

// Asks the window, as the system does before logging off, whether the session may end; nothing
// where the system does not ask (elsewhere than on Windows' own platform). The system's word that
// the session goes on follows, as after any answer that another program refused.
std::optional<bool> asks_to_end_session(QWindow* window);

// Who may do what in the folder, as Windows writes it down (SDDL); empty elsewhere.
QString folder_rights(const QString& folder);

// Where the print system's PDF printer (cups-pdf) writes the jobs of this test's user: their
// "~/PDF" on Linux, reached through Wine's Z: drive under Wine.
QString cups_pdf_folder();

// Whether printing on a paper of the program's own size comes out on that paper: not under Wine,
// which takes the queue's first paper instead.
bool custom_paper_reaches_the_printer();

// Sets the process's umask; returns the former one.
int set_umask(int mask);

// The folder of the Qt libraries the tests run with.
QString qt_library_folder();

// Bytes of heap the process has in use, for the long-life test.
std::size_t heap_in_use();

// The C library's own reading of a decimal text in the "C" locale, as an independent check.
double c_library_strtod(const std::string& text);

// Points the descriptor at a new file that can be read while the descriptor still writes to it;
// returns the descriptor's former target, for restore().
int redirect_into_file(int fd, const QString& path);
void restore(int fd, int former);

// While it lives, a program of the system that the window starts (by its name: "explorer" on
// Windows, "xdg-open" elsewhere) is found as a stand-in that writes down each command line it
// is started with; on Windows the shell's browser in Wine's test prefix writes them down too.
// Planted in the working folder instead, it is what an attacker leaves in Downloads, and must
// never run.
class Stand_In
{
public:
    enum class Place { system, working_folder };
    explicit Stand_In(const QString& program, Place place = Place::system);
    ~Stand_In();
    Stand_In(const Stand_In&) = delete;
    Stand_In& operator=(const Stand_In&) = delete;

    QStringList command_lines() const;

private:
    QTemporaryDir folder_;
    QByteArray former_path_;
    QString former_directory_;
    QString replaced_; // the system's own program, kept here meanwhile
};

// Whether the https addresses the shell opens go to the stand-in browser (Wine's test prefix).
bool browser_is_a_stand_in();

// Runs a Linux tool (poppler's) on files of ours and waits for it; false when it failed or there
// is no such tool. `files` are the indices of the arguments that are paths: under Wine the tool
// is the Linux program and gets their Unix paths.
bool has_linux_tool(const QString& name);
bool run_linux_tool(const QString& name, QStringList arguments, const std::vector<int>& files);

} // namespace test_platform
