// Opening the operating system's serial devices.
#include <cerrno>

#include "platform/serial/DeviceRegistry.h"

namespace comm {

std::shared_ptr<DeviceBackend> OpenSystemDevice(const std::string& name, std::int32_t* error) {
  (void)name;
  *error = ENOENT;
  return nullptr;
}

}  // namespace comm
