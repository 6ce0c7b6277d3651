// Windows thread priorities, relative to the process's priority class. A
// thread is named by its id, opened for the moment of the change.
#include "platform/runtime/ThreadPriority.h"

#include <windows.h>

#include "platform/runtime/win32/SystemMessage.h"

namespace ThreadPriority {
namespace {

int SystemPriority(TThreadPriority priority) {
  switch (priority) {
    case tpIdle:
      return THREAD_PRIORITY_IDLE;
    case tpLowest:
      return THREAD_PRIORITY_LOWEST;
    case tpLower:
      return THREAD_PRIORITY_BELOW_NORMAL;
    case tpNormal:
      return THREAD_PRIORITY_NORMAL;
    case tpHigher:
      return THREAD_PRIORITY_ABOVE_NORMAL;
    case tpHighest:
      return THREAD_PRIORITY_HIGHEST;
  }
  return THREAD_PRIORITY_NORMAL;
}

[[noreturn]] void Fail(TThreadPriority priority, const char* call) {
  const DWORD error = ::GetLastError();
  throw EThread("Cannot set thread priority " + IntToStr(static_cast<int>(priority)) + ": " + call +
                ": " + SystemMessage(error) + " (" + IntToStr(static_cast<int>(error)) + ")");
}

}  // namespace

std::intptr_t CurrentHandle() {
  return static_cast<std::intptr_t>(::GetCurrentThreadId());
}

void SetOf(std::intptr_t handle, TThreadPriority priority) {
  const HANDLE thread = ::OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(handle));
  if (thread == nullptr) Fail(priority, "OpenThread");
  const BOOL set = ::SetThreadPriority(thread, SystemPriority(priority));
  const DWORD error = ::GetLastError();
  ::CloseHandle(thread);
  if (!set) {
    ::SetLastError(error);
    Fail(priority, "SetThreadPriority");
  }
}

}  // namespace ThreadPriority
