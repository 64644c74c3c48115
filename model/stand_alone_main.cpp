// The window module started as the program's own entry: no host, no worker; requests are only
// shown on standard output.

#include "exports.h"
#include "lines.h"
#include "platform.h"
#include "start_up.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

std::string no_display_message()
{
    const char* display = std::getenv("DISPLAY");
    return std::string("Pelderwick: no display to show the window on (DISPLAY is \"")
        + (display != nullptr ? display : "")
        + "\"); start it from the desktop, or use \"pelderwick --demo\"";
}

} // namespace

extern "C" PELDERWICK_PROGRAM int pelderwick_main(int /*argc*/, char** /*argv*/)
{
    platform::prepare_program();
    platform::use_starters_console();
    drop_senseless_scale_factors();
    int status = 0;
    try {
        if (!platform::display_available())
            throw std::runtime_error(no_display_message());
        load_window_module().run_stand_alone();
    } catch (const std::exception& error) {
        report_line(error.what());
        status = 1;
    }
    stop_lines(std::chrono::seconds(5));
    return status;
}
