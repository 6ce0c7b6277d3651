// Linux has no debugger output channel: the line goes to stderr when
// SERIAL_DEBUG_OUTPUT is set, else nowhere.
#include "platform/serial/DebugOutput.h"

#include <cstdio>
#include <cstdlib>

namespace comm {

void SystemDebugOutput(const std::string& line) {
  if (std::getenv("SERIAL_DEBUG_OUTPUT") != nullptr) std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace comm
