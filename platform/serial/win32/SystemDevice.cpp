// Opening the operating system's serial devices: "\\.\" and the port name,
// for exclusive overlapped access.
#include <windows.h>

#include "platform/serial/DeviceRegistry.h"
#include "platform/serial/win32/Win32Device.h"

namespace comm {

std::shared_ptr<DeviceBackend> OpenSystemDevice(const std::string& name, std::int32_t* error) {
  const std::string path = "\\\\.\\" + name;
  const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = static_cast<std::int32_t>(::GetLastError());
    return nullptr;
  }
  // Other devices open by such a name too ("\\.\NUL", "\\.\C:"); one that
  // has no line settings is no serial port.
  ::DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(handle, &dcb)) {
    *error = static_cast<std::int32_t>(::GetLastError());
    ::CloseHandle(handle);
    return nullptr;
  }
  return std::make_shared<win32::Win32Device>(name, handle);
}

}  // namespace comm
