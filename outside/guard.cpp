#include "guard.h"

#include "lines.h"

#include <cstdio>
#include <exception>

std::string current_error_text()
{
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown error";
    }
}

void call_guarded(const char* callback_name, const std::function<void()>& callback) noexcept
{
    try {
        callback();
    } catch (...) {
        try {
            report_line(
                std::string("callback ") + callback_name + " failed: " + current_error_text());
        } catch (...) {
            // Reporting must never be the thing that escapes.
        }
    }
}

std::function<void()> try_except_log(std::function<void()> handler)
{
    return [handler = std::move(handler)] {
        try {
            handler();
        } catch (...) {
            report_line("try_except_log: logged error: " + current_error_text());
        }
    };
}
