// Error numbers on Windows: GetLastError() values, described by the system.
#include <windows.h>

#include "platform/serial/CommDevice.h"

namespace comm {

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
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 ? std::string(text, length) : std::string();
  ::LocalFree(text);
  // The system ends its texts with a full stop and a line break.
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "System error " + std::to_string(error);
  return message;
}

}  // namespace comm
