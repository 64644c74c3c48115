// The window module started as the program's own entry: no host, no worker; requests are only
// shown on standard output.

#include "platform.h"
#include "start_up.h"

#include <exception>

int main()
{
    platform::use_starters_console();
    try {
        load_window_module().run_stand_alone();
        return 0;
    } catch (const std::exception& error) {
        platform::write_line(stderr, error.what());
        return 1;
    }
}
