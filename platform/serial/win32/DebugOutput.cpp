// The system's debugger output: a debugger attached to the process, or a
// viewer of debug output, shows the line.
#include "platform/serial/DebugOutput.h"

#include <windows.h>

namespace comm {

void SystemDebugOutput(const std::string& line) {
  ::OutputDebugStringA(line.c_str());
}

}  // namespace comm
