#include "host_options.h"

#include <string_view>

Host_Options host_options(int argc, const char* const* argv)
{
    Host_Options options;
    for (int i = 1; i < argc && options.complaint.empty(); ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--demo")
            options.demo = true;
        else if (argument == "--printer-settings")
            options.print_settings = true;
        else if (argument == "--printer" && i + 1 < argc && argv[i + 1][0] != '\0')
            options.printer = argv[++i];
        else if (argument == "--reprint" && i + 1 < argc && argv[i + 1][0] != '\0')
            options.reprint.emplace_back(argv[++i]);
        else if (argument == "--list" && i + 1 < argc && argv[i + 1][0] != '-')
            options.list = argv[++i];
        else if (argument == "--list")
            options.list_chosen = true; // a file dialog first
        else if (!argument.empty() && argument[0] != '-' && options.list.empty())
            options.list = argument; // a file dropped on the program, or opened with it
        else if (argument == "--output-all")
            options.output_all = true;
        else
            options.complaint = "not understood: " + std::string(argument);
    }
    options.list_chosen = options.list_chosen || !options.list.empty();
    if (options.complaint.empty() && options.output_all && options.list.empty())
        options.complaint = "--output-all needs --list FILE";

    return options;
}
