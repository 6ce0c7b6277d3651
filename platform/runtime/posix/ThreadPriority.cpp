// Linux keeps a nice value per thread: setpriority with a thread id changes
// that thread only. Normal is 0; raising above it needs CAP_SYS_NICE.
#include "platform/runtime/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ThreadPriority {
namespace {

int NiceValue(TThreadPriority priority) {
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
