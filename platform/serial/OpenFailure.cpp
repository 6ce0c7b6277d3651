#include "platform/serial/OpenFailure.h"

#include "platform/serial/CommDevice.h"
#include "platform/serial/DeviceRegistry.h"
#include "platform/serial/SystemErrorNumbers.h"

namespace comm {

std::string OpenFailureCause(const std::string& name, std::int32_t error) {
  if (!DeviceRegistry::Contains(name)) return SystemOpenFailureCause(name, error);
  // A device of this process (a simulated one) says only what its opener said.
  switch (error) {
    case kErrDeviceBusy:
      return name + " is already open in this program";
    case kErrNoDevice:
      return name + " is unplugged";
    default:
      return name + ": " + SystemErrorText(error);
  }
}

}  // namespace comm
