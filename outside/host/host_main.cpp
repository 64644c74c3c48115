// The program a user starts (host_run.h says what it does).

#include "exports.h"
#include "host_run.h"
#include "lines.h"
#include "platform.h"
#include "start_up.h"

extern "C" PELDERWICK_PROGRAM int pelderwick_main(int argc, char** argv)
{
    platform::prepare_program();
    platform::use_starters_console();
    drop_senseless_scale_factors();
    const Host_Options options = host_options(argc, argv);
    const int status = options.complaint.empty() ? run_host(options) : 2;
    if (!options.complaint.empty())
        report_line("Pelderwick: " + options.complaint + "\n" + host_usage);
    stop_lines(std::chrono::seconds(5));
    return status;
}
