// The program a user starts: a small front that does not depend on Qt. It checks that Qt's
// layers are there (offering their install command), loads the window module, then the
// program's Qt library from beside itself, and runs it (app.h).

#include "app.h"
#include "exports.h"
#include "lines.h"
#include "platform.h"
#include "start_up.h"

#include <stdexcept>

namespace {

int run_app(Host_Options options)
{
    if (!options.demo && !options.print_settings && options.reprint.empty()
        && !platform::display_available()) {
        say_line("No display here: showing a demo offscreen instead of opening the window.");
        options.demo = true;
    }
    try {
        App_Start start {options, &load_window_module(), &platform::before_exit};
        const std::string path = platform::own_library_path("pelderwick_app");
        void* library = platform::open_library(path);
        if (library == nullptr)
            throw std::runtime_error("cannot load " + path + ": " + platform::library_error());
        const auto run
            = reinterpret_cast<App_Entry>(platform::library_entry(library, app_entry_name));
        if (run == nullptr)
            throw std::runtime_error(path + " lacks " + app_entry_name);
        return run(start);
    } catch (const std::exception& error) {
        report_line(error.what());
        return 1;
    }
}

} // namespace

extern "C" PELDERWICK_PROGRAM int pelderwick_main(int argc, char** argv)
{
    platform::prepare_program();
    platform::use_starters_console();
    drop_senseless_scale_factors();
    const Host_Options options = host_options(argc, argv);
    const int status = options.complaint.empty() ? run_app(options) : 2;
    if (!options.complaint.empty())
        report_line("Pelderwick: " + options.complaint + "\n" + host_usage);
    stop_lines(std::chrono::seconds(5));
    return status;
}
