// Where the debugger output line goes when no test has installed a sink:
// one implementation per operating system.
#pragma once

#include <string>

namespace comm {

void SystemDebugOutput(const std::string& line);

}  // namespace comm
