#include "gui.h"

#include <cstdio>
#include <exception>

// The window by itself: no host, no worker; requests are only shown on standard output.
int main()
{
    try {
        run_stand_alone();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
