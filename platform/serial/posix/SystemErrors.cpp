// Error numbers on POSIX: errno values, plus the two overlapped-I/O numbers
// the interface shares with Windows.
#include <cerrno>
#include <cstring>

#include "platform/serial/CommDevice.h"

namespace comm {

bool IsDeviceGoneError(std::int32_t error) {
  return error == EIO || error == ENXIO || error == ENODEV;
}

std::string SystemErrorText(std::int32_t error) {
  if (error == ERROR_IO_PENDING) return "Overlapped I/O operation is in progress";
  if (error == ERROR_IO_INCOMPLETE) return "Overlapped I/O event is not in a signaled state";
  char buffer[256];
  // GNU strerror_r: the text may or may not be placed in buffer.
  return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace comm
