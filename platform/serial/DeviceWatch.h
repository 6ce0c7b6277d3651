// Tells when the device behind a port name may have come back, from the
// system's own notifications, without polling: on Linux an inotify watch on
// the folder that holds the port's path (a USB adapter's node appearing in
// /dev, a symbolic link replaced by a program that started again), on
// Windows the system's device-change notification for serial ports. A
// notification only says "look again": whether the port opens is found by
// opening it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace comm {

class DeviceWatch {
 public:
  // Starts watching for the device of `name` (a port name as Device::Open
  // takes it); `changed` is called, on the thread that started the watch,
  // each time something happened that may concern it. Null and *error when
  // the system refuses.
  static std::unique_ptr<DeviceWatch> Start(const std::string& name, std::function<void()> changed,
                                            std::int32_t* error);
  virtual ~DeviceWatch() = default;

  // Where the thread's event loop learns of a change: a descriptor that
  // becomes readable, on which it then calls Dispatch (Linux); or -1, where
  // the system calls in through the thread's message loop by itself
  // (Windows).
  virtual int Descriptor() const = 0;
  // Reads what the descriptor holds and calls `changed` if it concerns the
  // device. Never blocks.
  virtual void Dispatch() = 0;
};

}  // namespace comm
