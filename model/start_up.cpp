#include "start_up.h"

#include "platform.h"

#include <cstdlib>
#include <iostream>
#include <mutex>
#include <stdexcept>

namespace {

std::string from_environment(const char* variable, const std::string& fallback)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? value : fallback;
}

void run_in_shell(const std::string& command)
{
    // The same console: the child inherits standard input, output and error.
    platform::open_console();
    std::cout.flush();
    if (std::system(command.c_str()) == -1)
        throw std::runtime_error("cannot start the command shell");
}

std::optional<std::string> read_standard_input()
{
    platform::open_console();
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return line;
}

// A missing layer gets its install command; if that does not help, the user is told what to
// install and loading waits for Enter. Loading goes on either way.
void check_layer(
    const Start_Up_Services& services, const std::string& library, const std::string& package)
{
    if (services.can_load(library))
        return;
    const std::string command = "py -m pip install " + package;
    try {
        services.run_command(command);
        if (services.can_load(library))
            return;
    } catch (...) {
        // Running the command failed: the same as an install that did not help.
    }
    services.write_line("請安裝 " + command);
    if (!services.read_line())
        throw std::runtime_error("end of input while waiting for Enter");
}

} // namespace

Start_Up_Services system_services()
{
    Start_Up_Services services;
    services.tk_layer = from_environment("PELDERWICK_TK_LAYER", platform::qt_library_file("Gui"));
    services.toolkit_layer
        = from_environment("PELDERWICK_TOOLKIT_LAYER", platform::qt_library_file("Widgets"));
    services.module_path = from_environment(
        "PELDERWICK_WINDOW_MODULE", platform::own_library_path("pelderwick_gui"));
    services.can_load
        = [](const std::string& library) { return platform::open_library(library) != nullptr; };
    services.run_command = run_in_shell;
    services.read_line = read_standard_input;
    services.write_line = [](const std::string& line) {
        platform::open_console();
        platform::write_line(stdout, line);
    };
    return services;
}

Window_Module start_up(const Start_Up_Services& services)
{
    check_layer(services, services.tk_layer, "tkinter");
    check_layer(services, services.toolkit_layer, "customtkinter");
    // The module brings the rest with it (browser opener, image loader, process starter, the
    // widget components); a layer still missing fails here with the loader's own error.
    void* library = platform::open_library(services.module_path);
    if (library == nullptr)
        throw std::runtime_error("cannot load the window module: " + platform::library_error());
    Window_Module module;
    module.GUI = reinterpret_cast<decltype(module.GUI)>(
        platform::library_entry(library, "pelderwick_GUI"));
    module.run_stand_alone = reinterpret_cast<decltype(module.run_stand_alone)>(
        platform::library_entry(library, "pelderwick_run_stand_alone"));
    if (module.GUI == nullptr || module.run_stand_alone == nullptr)
        throw std::runtime_error("the window module lacks its entries");
    return module;
}

const Window_Module& load_window_module(const Start_Up_Services& services)
{
    static std::mutex mutex;
    static std::optional<Window_Module> loaded;
    std::lock_guard lock(mutex);
    if (!loaded)
        loaded = start_up(services);
    return *loaded;
}
