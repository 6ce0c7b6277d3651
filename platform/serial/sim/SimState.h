// What a simulated device's far end (SimPort), its line (SimLine) and its
// call recorder (SimDevice) share. Lock order: delivery, then the device's
// own lock, then mu; mu is never held while calling into the device.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/serial/LineDevice.h"
#include "platform/serial/sim/SimPort.h"

namespace comm::sim {

struct SimState {
  explicit SimState(std::string portName);

  // Logs the call; returns the failure to report for it, or 0.
  std::int32_t Enter(SimCall call, const std::string& text = {});

  // True while the line lets output through (mu held).
  bool OutputFlows() const;

  const std::string name;
  bool listed = true;  // registered under its name

  // Held while anything from the far end goes into the device, and by the
  // line while it lets go of the device: device stays valid while held.
  std::mutex delivery;
  LineDevice* device = nullptr;

  mutable std::mutex mu;
  mutable std::condition_variable writtenChanged;
  bool plugged = true;
  bool open = false;
  int openCount = 0;
  std::string written;
  std::function<void()> writeListener;
  std::deque<std::uint8_t> backlog;
  DWORD modem = 0;
  bool holdOutput = false;
  bool wantWritable = false;
  DCB dcb;
  COMMTIMEOUTS timeouts;
  DWORD inputSize = 0;
  DWORD outputSize = 0;
  DWORD mask = 0;
  struct Failure {
    std::int32_t error;
    bool once;
  };
  std::map<SimCall, Failure> failures;
  struct Record {
    SimCall call;
    std::string text;
  };
  std::vector<Record> calls;
};

}  // namespace comm::sim
