// Where the operating system lists its serial ports. One backend per system:
// posix/ reads the kernel's tty classes, win32/ the registry's serial
// device map.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace comm {

// The system's own source. On Linux the root of the file system ("/"),
// whose sys/class/tty names the ports and whose dev holds their nodes; on
// Windows the key "HARDWARE\DEVICEMAP\SERIALCOMM" under HKEY_LOCAL_MACHINE.
std::string DefaultSerialPortSource();

// Appends to *names, in the order the source gives them, the name of every
// serial port found in source that Device::Open accepts without its "\\.\"
// prefix ("ttyUSB0", "COM3"). Returns 0, or the system error of the source
// that cannot be read; *names is then untouched.
std::int32_t ListSerialPorts(const std::string& source, std::vector<std::string>* names);

}  // namespace comm
