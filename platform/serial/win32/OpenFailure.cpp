// The causes of a failed open on Windows, from the error that CreateFileA or
// the serial check after it left. Windows does not say which program holds
// a port: an exclusive open by another program reads as "access denied".
#include "platform/serial/OpenFailure.h"

#include <windows.h>

#include "platform/serial/CommDevice.h"

namespace comm {

std::string SystemOpenFailureCause(const std::string& name, std::int32_t error) {
  if (name.empty()) return "no port name was given";
  switch (static_cast<DWORD>(error)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return name + " does not exist: the device is not connected, or the port name is wrong";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return name + " is no port name";
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_HANDLE:
      return name + " is a device, but not a serial one";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return name + " is in use by another program (or this user may not open it)";
    case ERROR_GEN_FAILURE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return name + " exists, but no device answers behind it";
    default:
      return name + ": " + SystemErrorText(error);
  }
}

}  // namespace comm
