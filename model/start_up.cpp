#include "start_up.h"

#include "platform.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <string_view>

namespace {

void run_in_shell(const std::string& command)
{
    // The same console: the child inherits standard input, output and error.
    platform::open_console();
    std::cout.flush();
    if (!platform::run_in_shell(command))
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

namespace {

// Every factor in "1.5", "2;1" or "HDMI-1=2;DP-1=1" between a quarter and eight.
bool sensible_factors(std::string_view text)
{
    while (!text.empty()) {
        const auto end = std::min(text.find(';'), text.size());
        std::string_view factor = text.substr(0, end);
        if (const auto equals = factor.rfind('='); equals != std::string_view::npos)
            factor.remove_prefix(equals + 1);
        double value = 0;
        const auto [stop, error]
            = std::from_chars(factor.data(), factor.data() + factor.size(), value);
        if (error != std::errc() || stop != factor.data() + factor.size() || !(value >= 0.25)
            || !(value <= 8))
            return false;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return true;
}

} // namespace

void drop_senseless_scale_factors()
{
    for (const char* variable : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || sensible_factors(value))
            continue;
        platform::write_line(stderr,
            std::string("Pelderwick: ") + variable + "=" + value
                + " is no scale a screen has; left out");
        platform::unset_environment(variable);
    }
    // A font resolution beyond five times the usual 96 makes every text larger than the window
    // (at 10000 the window's fonts take gigabytes).
    if (const char* dpi = std::getenv("QT_FONT_DPI")) {
        const std::string_view text = dpi;
        int value = 0;
        const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || stop != text.data() + text.size() || value < 24
            || value > 480) {
            platform::write_line(stderr,
                std::string("Pelderwick: QT_FONT_DPI=") + dpi
                    + " is no font resolution a screen has; left out");
            platform::unset_environment("QT_FONT_DPI");
        }
    }
}

bool built_for_tests()
{
    static const bool marked = std::filesystem::exists(
        platform::native_path(platform::module_directory() + "/" + test_build_marker));
    return marked;
}

std::optional<std::string> test_setting(const char* variable)
{
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0' || !built_for_tests())
        return std::nullopt;
    return value;
}

Start_Up_Services system_services()
{
    Start_Up_Services services;
    services.tk_layer
        = test_setting("PELDERWICK_TK_LAYER").value_or(platform::qt_library_file("Gui"));
    services.toolkit_layer
        = test_setting("PELDERWICK_TOOLKIT_LAYER").value_or(platform::qt_library_file("Widgets"));
    services.module_path = test_setting("PELDERWICK_WINDOW_MODULE")
                               .value_or(platform::own_library_path("pelderwick_gui"));
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
