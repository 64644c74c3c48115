#include "platform.h"

#include <utility>

namespace platform {

namespace {
std::function<void(const std::string&)> process_starter;
std::function<bool(const std::string&)> url_opener;
} // namespace

void start_native_process(const std::string& command_line);
bool open_native_url(const std::string& url);

void start_process(const std::string& command_line)
{
    if (process_starter)
        process_starter(command_line);
    else
        start_native_process(command_line);
}

bool open_url(const std::string& url)
{
    return url_opener ? url_opener(url) : open_native_url(url);
}

void set_process_starter(std::function<void(const std::string&)> starter)
{
    process_starter = std::move(starter);
}

void set_url_opener(std::function<bool(const std::string&)> opener)
{
    url_opener = std::move(opener);
}

} // namespace platform
