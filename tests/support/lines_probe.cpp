// Hands many lines to the program's line writer and ends at once, by returning from main: the
// end of the process must still let every one of them out.

#include "lines.h"

#include <string>

int main()
{
    for (int i = 0; i < 2000; ++i)
        say_line("line " + std::to_string(i));
    report_line("the last line");
    return 0;
}
