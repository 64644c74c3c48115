// The window module started as the program's own entry: no host, no worker; requests are only
// shown on standard output.

#include "lines.h"
#include "platform.h"
#include "start_up.h"

#include <exception>

int main()
{
    platform::use_starters_console();
    platform::ignore_broken_pipes();
    int status = 0;
    try {
        load_window_module().run_stand_alone();
    } catch (const std::exception& error) {
        report_line(error.what());
        status = 1;
    }
    finish_lines(std::chrono::seconds(5));
    return status;
}
