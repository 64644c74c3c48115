#pragma once

// Loading the window module. This front links neither Qt nor the module, so that it can look for
// the two Qt layers first, run their install command when one is missing, and tell the user what
// to install when that does not help. Then it loads the module and binds its entries.

#include "channels.h"

#include <functional>
#include <optional>
#include <string>

struct Window_Module
{
    void (*GUI)(Queue_Bundle& Queue_All_variable, Event_Bundle& Event_All_variable) = nullptr;
    void (*run_stand_alone)() = nullptr;
};

// What loading uses of the system; tests replace any of them.
struct Start_Up_Services
{
    std::string tk_layer; // library that stands for the Tk layer (Qt's GUI layer)
    std::string toolkit_layer; // library that stands for the widget toolkit (Qt's widget layer)
    std::string module_path; // the window module
    std::function<bool(const std::string& library)> can_load;
    std::function<void(const std::string& command)> run_command; // waits; throws if it cannot run
    std::function<std::optional<std::string>()> read_line; // nothing at the end of input
    std::function<void(const std::string& line)> write_line;
};

// The real system: the layers by their library names, the module beside this program, the
// system's command shell, standard input and output. In a program built for the tests,
// PELDERWICK_TK_LAYER, PELDERWICK_TOOLKIT_LAYER and PELDERWICK_WINDOW_MODULE name other libraries.
Start_Up_Services system_services();

// The file beside the programs that a build with tests makes (tests/CMakeLists.txt) and that no
// installation carries.
inline constexpr char test_build_marker[] = "built-for-tests";

// Whether this program was built for the tests (the build's folder says so beside it): only then
// do variables of the environment name other libraries to load. An installed program never does.
bool built_for_tests();

// The variable's value in a program built for the tests; nothing otherwise.
std::optional<std::string> test_setting(const char* variable);

// Qt's scale variables (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS) with a factor no screen has
// (0, nan, 1000), and a font resolution (QT_FONT_DPI) no screen has, are dropped before Qt
// starts, with a line that says so: Qt would paint at that scale and end the process.
void drop_senseless_scale_factors();

// Runs every start-up step with the given services. Throws what ends loading.
Window_Module start_up(const Start_Up_Services& services);

// Loads the module once per process: a later call returns the same entries and runs, writes and
// reads nothing. A load that failed is tried again by the next call.
const Window_Module& load_window_module(const Start_Up_Services& services = system_services());
