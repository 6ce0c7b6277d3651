// The Windows event object behind a comm::Event. Internal to the win32
// backend: the device hands `handle` to the system as the event of its
// overlapped operations.
#pragma once

#include <windows.h>

#include <mutex>

#include "platform/serial/Event.h"

namespace comm {

struct Event::State {
  State(HANDLE h, bool manual) : handle(h), manualReset(manual) {}
  ~State() { ::CloseHandle(handle); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  const HANDLE handle;
  const bool manualReset;
  // Orders SetAfter's publish-then-set against Reset and IsSet.
  std::mutex mu;
};

}  // namespace comm
