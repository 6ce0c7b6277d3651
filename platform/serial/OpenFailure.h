// Why a serial device could not be opened, in plain words for the person at
// the machine: the port name and the system error number that the failed
// open left give the cause (missing, not a serial device, in use and by
// whom, no permission and the fix, no hardware behind it).
#pragma once

#include <cstdint>
#include <string>

namespace comm {

// One sentence without a final full stop, never empty; it names the port
// or its path. For example "/dev/ttyUSB0 is in use by another program:
// minicom (process 4711)".
std::string OpenFailureCause(const std::string& name, std::int32_t error);

// The operating system's part, for devices that are not registered in
// process (posix/, win32/).
std::string SystemOpenFailureCause(const std::string& name, std::int32_t error);

}  // namespace comm
