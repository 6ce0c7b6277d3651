// Linux has no debugger output channel: the line goes to stderr when
// SERIAL_DEBUG_OUTPUT is set, else nowhere.
#include "platform/serial/DebugOutput.h"

#include <cstdlib>
#include <iostream>

namespace comm {

void SystemDebugOutput(const std::string& line) {
  if (std::getenv("SERIAL_DEBUG_OUTPUT") != nullptr) std::cerr << line << '\n';
}

}  // namespace comm
