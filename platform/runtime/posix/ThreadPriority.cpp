// Linux keeps a nice value per thread: setpriority with a thread id changes
// that thread only. Priorities are steps from the process's own nice value
// (its main thread's), as Windows counts them from the process's class:
// normal is the process's value, so the threads of a program started with
// `nice` stay where it was put instead of asking for 0, which only a
// privileged process may. Going above the process's value needs
// CAP_SYS_NICE.
#include "platform/runtime/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ThreadPriority {
namespace {

int NiceStep(TThreadPriority priority) {
  switch (priority) {
    case tpIdle:
      return 19;
    case tpLowest:
      return 10;
    case tpLower:
      return 5;
    case tpNormal:
      return 0;
    case tpHigher:
      return -5;
    case tpHighest:
      return -10;
  }
  return 0;
}

int NiceValue(TThreadPriority priority) {
  errno = 0;
  int base = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
  if (base == -1 && errno != 0) base = 0;
  return std::clamp(base + NiceStep(priority), -20, 19);
}

}  // namespace

std::intptr_t CurrentHandle() {
  return static_cast<std::intptr_t>(::syscall(SYS_gettid));
}

void SetOf(std::intptr_t handle, TThreadPriority priority) {
  const int nice = NiceValue(priority);
  if (::setpriority(PRIO_PROCESS, static_cast<id_t>(handle), nice) != 0) {
    const int error = errno;
    throw EThread("Cannot set thread priority " + IntToStr(static_cast<int>(priority)) + " (nice " +
                  IntToStr(nice) + "): setpriority: " + std::strerror(error) + " (" +
                  IntToStr(error) + ")");
  }
}

}  // namespace ThreadPriority
