#pragma once

// Inside the platform layer only: what each system's file provides to platform.cpp.

#include <string>

namespace platform {

// The system's own way of starting one command line, detached (no seam).
void start_native_process(const std::string& command_line);

} // namespace platform
