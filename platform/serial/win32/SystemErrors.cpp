// Error numbers on Windows: GetLastError() values, described by the system.
#include <windows.h>

#include "platform/runtime/win32/SystemMessage.h"
#include "platform/serial/CommDevice.h"

namespace comm {

// The named errors are Windows' own numbers.
static_assert(kErrBadHandle == ERROR_INVALID_HANDLE);
static_assert(kErrInvalidArgument == ERROR_INVALID_PARAMETER);
static_assert(kErrCancelled == ERROR_OPERATION_ABORTED);
static_assert(kErrTimedOut == ERROR_SEM_TIMEOUT);
static_assert(kErrDeviceGone == ERROR_DEVICE_NOT_CONNECTED);
static_assert(kErrNoDevice == ERROR_FILE_NOT_FOUND);
static_assert(kErrDeviceBusy == ERROR_ACCESS_DENIED);

bool IsDeviceGoneError(std::int32_t error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:   // what USB serial drivers answer once unplugged
    case ERROR_INVALID_HANDLE:  // the handle no longer stands for a device
    case ERROR_BAD_COMMAND:     // the device no longer recognises the request
    case ERROR_GEN_FAILURE:     // a device attached to the system is not functioning
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

std::string SystemErrorText(std::int32_t error) {
  return SystemMessage(static_cast<unsigned long>(error));
}

}  // namespace comm
