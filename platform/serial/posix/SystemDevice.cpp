// Opening the operating system's serial devices: terminals under /dev.
#include "platform/serial/DeviceRegistry.h"
#include "platform/serial/LineDevice.h"
#include "platform/serial/posix/PortNames.h"
#include "platform/serial/posix/TtyLine.h"

namespace comm {

std::shared_ptr<DeviceBackend> OpenSystemDevice(const std::string& name, std::int32_t* error) {
  std::string path;
  if ((*error = posix::ResolvePortPath(name, &path)) != 0) return nullptr;
  std::unique_ptr<posix::TtyLine> line;
  DCB dcb;
  if ((*error = posix::TtyLine::Open(path, &line, &dcb)) != 0) return nullptr;
  auto device = std::make_shared<LineDevice>(name, std::move(line), dcb, kMinSystemInputQueue);
  device->Start();
  return device;
}

}  // namespace comm
