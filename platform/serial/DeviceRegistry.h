// Named in-process devices. Device::Open looks a name up here before it asks
// the operating system, so a simulated device registered as "SIM1" opens
// through the same call as a real port. A family of names ("SIM",
// "SIM:jam@3") opens through one opener that reads the rest of the name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/serial/CommDevice.h"

namespace comm {

class DeviceBackend;

class DeviceRegistry {
 public:
  // Opens the device: the backend, or null with *error set (kErrDeviceBusy when it is
  // already open, for example).
  using Opener = std::function<std::shared_ptr<DeviceBackend>(std::int32_t* error)>;

  // Names compare without regard to ASCII letter case, as Windows device names
  // do. Registering a name that is taken fails.
  static bool Register(const std::string& name, Opener opener);
  static void Unregister(const std::string& name);
  // Whether a device of that name is registered, by itself or in a family.
  static bool Contains(const std::string& name);

  // A family: the name `prefix` itself and every name of `prefix`, a colon and
  // more. Its opener gets the whole name as given. Names registered one by one
  // are looked up first. Registering a prefix that is taken fails.
  using FamilyOpener =
      std::function<std::shared_ptr<DeviceBackend>(const std::string& name, std::int32_t* error)>;
  static bool RegisterFamily(const std::string& prefix, FamilyOpener opener);
  static void UnregisterFamily(const std::string& prefix);

  // The registered device of that name opened, or nothing when no device has
  // that name. A registered device that fails to open gives the invalid handle
  // and *error.
  static std::optional<Device> Open(const std::string& name, std::int32_t* error);

  // A handle on a backend (for backends opened by other means).
  static Device Wrap(std::shared_ptr<DeviceBackend> backend) { return Device(std::move(backend)); }
};

// The operating system's device of that name (the posix backend defines it).
std::shared_ptr<DeviceBackend> OpenSystemDevice(const std::string& name, std::int32_t* error);

}  // namespace comm
