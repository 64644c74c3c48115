// What an attacker leaves in the working folder under the name of a library the program loads
// (Qt's): loaded, it leaves a mark beside itself ("libQt6Gui.so.6.loaded").

#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

__attribute__((constructor)) void leave_mark()
{
    Dl_info self {};
    if (dladdr(reinterpret_cast<void*>(&leave_mark), &self) == 0 || self.dli_fname == nullptr)
        return;
    const int mark = open(
        (std::string(self.dli_fname) + ".loaded").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (mark >= 0)
        close(mark);
}

} // namespace
