// The window module started as the program's own entry: no host, no worker; requests are only
// shown on standard output.

#include "start_up.h"

#include <cstdio>
#include <exception>

int main()
{
    try {
        load_window_module().run_stand_alone();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
