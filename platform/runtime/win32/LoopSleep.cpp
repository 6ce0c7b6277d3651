// The main thread's sleep on Windows: WaitForMultipleObjects on an event of
// its own (manual reset, so that a wait does not consume it) and on the
// sources' handles, with the earliest deadline as its time-out.
#include "platform/runtime/LoopSleep.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace LoopSleep {
namespace {

HANDLE WakeEvent() {
  static const HANDLE event = [] {
    const HANDLE made = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (made == nullptr) {
      std::fprintf(stderr, "main thread: CreateEvent failed (%lu)\n", ::GetLastError());
      std::abort();  // the main thread could never be woken
    }
    return made;
  }();
  return event;
}

}  // namespace

void Kick() {
  ::SetEvent(WakeEvent());
}

bool Drain() {
  if (::WaitForSingleObject(WakeEvent(), 0) != WAIT_OBJECT_0) return false;
  ::ResetEvent(WakeEvent());
  return true;
}

void Wait(const loop::SleepPlan& plan, std::vector<loop::Readiness>& ready, bool block) {
  std::vector<HANDLE> handles;
  handles.reserve(plan.waitables.size() + 1);
  handles.push_back(WakeEvent());
  for (loop::Waitable handle : plan.waitables) handles.push_back(reinterpret_cast<HANDLE>(handle));
  ready.assign(plan.waitables.size(), loop::Readiness::kNotReady);
  if (handles.size() > MAXIMUM_WAIT_OBJECTS) handles.resize(MAXIMUM_WAIT_OBJECTS);
  const int timeout = block ? loop::MillisecondsUntil(plan.deadline) : 0;
  const DWORD woken = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                               FALSE, timeout < 0 ? INFINITE : static_cast<DWORD>(timeout));
  if (woken > WAIT_OBJECT_0 && woken < WAIT_OBJECT_0 + handles.size()) {
    ready[woken - WAIT_OBJECT_0 - 1] = loop::Readiness::kReady;
  }
}

}  // namespace LoopSleep
