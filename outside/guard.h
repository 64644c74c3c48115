#pragma once

// The one place through which every button, menu and timer callback runs: whatever escapes a
// callback is caught here and reported as one line on standard error, so no exception ever
// crosses the event loop and the window stays usable.

#include <functional>
#include <string>

void call_guarded(const char* callback_name, const std::function<void()>& callback) noexcept;

// The error-logging wrapper: the returned callable runs the handler and logs what it raises.
std::function<void()> try_except_log(std::function<void()> handler);

// The message text of the exception being handled; call only inside a catch block.
std::string current_error_text();
