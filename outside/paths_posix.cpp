#include "platform.h"

#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <stdexcept>

// Kept free of Qt: the start-up front and the worker use these too.
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
    char* resolved = realpath(in_program ? "/proc/self/exe" : info.dli_fname, nullptr);
    if (resolved == nullptr)
        throw std::runtime_error("cannot resolve the module's own file");
    std::string path(resolved);
    std::free(resolved);
    return path.substr(0, path.rfind('/'));
}

std::string local_path(const std::string& path)
{
    std::string text = path;
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    const bool drive = text.size() >= 2 && text[1] == ':'
        && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
    if (drive) {
        const char* home = std::getenv("HOME");
        text = std::string(home != nullptr ? home : "") + text.substr(2);
    }
    return text;
}

void* open_library(const std::string& name)
{
    return dlopen(name.c_str(), RTLD_NOW | RTLD_GLOBAL);
}

void* library_entry(void* library, const char* name)
{
    return dlsym(library, name);
}

std::string library_error()
{
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

} // namespace platform
