// The main thread's sleep on Windows: WaitForMultipleObjects on an event of
// its own (manual reset, so that a wait does not consume it) and on the
// sources' handles.
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

void Wait(const std::vector<MainThread::Waitable>& waitables,
          std::vector<MainThread::Readiness>& ready, bool block) {
  std::vector<HANDLE> handles;
  handles.reserve(waitables.size() + 1);
  handles.push_back(WakeEvent());
  for (MainThread::Waitable handle : waitables) handles.push_back(reinterpret_cast<HANDLE>(handle));
  ready.assign(waitables.size(), MainThread::kNotReady);
  if (handles.size() > MAXIMUM_WAIT_OBJECTS) handles.resize(MAXIMUM_WAIT_OBJECTS);
  const DWORD woken = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                               FALSE, block ? INFINITE : 0);
  if (woken > WAIT_OBJECT_0 && woken < WAIT_OBJECT_0 + handles.size()) {
    ready[woken - WAIT_OBJECT_0 - 1] = MainThread::kReady;
  }
}

}  // namespace LoopSleep
