// The stop signals on Linux: blocked for the process and read from a
// signalfd, which the loop sleeps on.
#include "tools/cli/LoopStop.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/runtime/SysUtils.h"

namespace {

[[noreturn]] void Fail(const char* call) {
  const int error = errno;
  throw Exception(std::string(call) + " failed: " + std::strerror(error) + " (errno " +
                  IntToStr(error) + ")");
}

}  // namespace

std::intptr_t TLoopStop::OpenSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) Fail("pthread_sigmask");
  const int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (fd < 0) Fail("signalfd");
  return fd;
}

void TLoopStop::CloseSignals(std::intptr_t signals) {
  close(static_cast<int>(signals));
}

int TLoopStop::TakeSignal(std::intptr_t signals) {
  signalfd_siginfo info{};
  if (read(static_cast<int>(signals), &info, sizeof info) != sizeof info) return 0;
  return static_cast<int>(info.ssi_signo);
}
