#include "tools/cli/LoopStop.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/runtime/SysUtils.h"

namespace {

[[noreturn]] void Fail(const char* call) {
  const int error = errno;
  throw Exception(std::string(call) + " failed: " + std::strerror(error) + " (errno " +
                  IntToStr(error) + ")");
}

}  // namespace

TLoopStop::TLoopStop() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) Fail("pthread_sigmask");
  FSignals = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (FSignals < 0) Fail("signalfd");
  FWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (FWake < 0) {
    close(static_cast<int>(FSignals));
    Fail("eventfd");
  }
}

TLoopStop::~TLoopStop() {
  Finish();
  close(static_cast<int>(FWake));
  close(static_cast<int>(FSignals));
}

void TLoopStop::Start(std::optional<TClock::time_point> deadline, std::function<void()> stop,
                      std::function<void()> ring) {
  Finish();
  FHelper = std::thread([this, deadline, stop = std::move(stop), ring = std::move(ring)] {
    Watch(deadline, stop, ring);
  });
}

void TLoopStop::WakeHelper() {
  const std::uint64_t one = 1;
  if (write(static_cast<int>(FWake), &one, sizeof one) < 0) {
    // An eventfd write fails only when its counter is full, which wakes the helper anyway.
  }
}

void TLoopStop::Finish() {
  if (!FHelper.joinable()) return;
  FFinishing.store(true);
  WakeHelper();
  FHelper.join();
  FFinishing.store(false);
  std::uint64_t drained = 0;
  if (read(static_cast<int>(FWake), &drained, sizeof drained) < 0) {
    // Nothing was left to drain.
  }
}

void TLoopStop::Watch(std::optional<TClock::time_point> deadline, const std::function<void()>& stop,
                      const std::function<void()>& ring) {
  for (;;) {
    timespec timeout{};
    const timespec* wait = nullptr;
    if (const auto until = WakeAt(deadline)) {
      const auto left = std::max(TClock::duration::zero(), *until - TClock::now());
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
      timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
      wait = &timeout;
    }
    pollfd fds[2] = {{static_cast<int>(FSignals), POLLIN, 0}, {static_cast<int>(FWake), POLLIN, 0}};
    const int ready = ppoll(fds, 2, wait, nullptr);
    if (ready < 0 && errno == EINTR) continue;
    if (fds[1].revents != 0) {
      if (FFinishing.load()) return;  // finished from outside
      std::uint64_t drained = 0;      // the alarm moved: wait for its new time
      if (read(static_cast<int>(FWake), &drained, sizeof drained) < 0) {
        // Another wake-up took it first.
      }
      continue;
    }
    if (fds[0].revents != 0) {
      signalfd_siginfo info{};
      if (read(static_cast<int>(FSignals), &info, sizeof info) != sizeof info) continue;
      FSignal.store(static_cast<int>(info.ssi_signo));
      stop();
      return;
    }
    const auto now = TClock::now();
    if (ready == 0 && deadline && now >= *deadline) {
      stop();
      return;
    }
    if (ready == 0 && TakeAlarm(now) && ring) ring();
    if (ready < 0) {  // cannot wait any more: end the loop rather than leave it hanging
      stop();
      return;
    }
  }
}
