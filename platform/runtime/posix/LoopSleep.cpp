// The main thread's sleep on Linux: poll on an eventfd of its own and on the
// sources' descriptors, with the earliest deadline as its time-out.
#include "platform/runtime/LoopSleep.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace LoopSleep {
namespace {

// Made once and kept for the process's life, like the queue it serves.
int WakeFd() {
  static const int fd = [] {
    const int made = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (made < 0) {
      std::perror("main thread: eventfd");
      std::abort();  // the main thread could never be woken
    }
    return made;
  }();
  return fd;
}

}  // namespace

void Kick() {
  const std::uint64_t one = 1;
  while (::write(WakeFd(), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

bool Drain() {
  std::uint64_t value = 0;
  ssize_t n;
  while ((n = ::read(WakeFd(), &value, sizeof value)) < 0 && errno == EINTR) {
  }
  return n > 0;
}

void Wait(const loop::SleepPlan& plan, std::vector<loop::Readiness>& ready, bool block) {
  std::vector<pollfd> fds;
  fds.reserve(plan.waitables.size() + 1);
  fds.push_back({WakeFd(), POLLIN, 0});
  for (loop::Waitable fd : plan.waitables) fds.push_back({static_cast<int>(fd), POLLIN, 0});
  ready.assign(plan.waitables.size(), loop::Readiness::kNotReady);
  const int timeout = block ? loop::MillisecondsUntil(plan.deadline) : 0;
  if (::poll(fds.data(), fds.size(), timeout) <= 0) return;  // EINTR: woken all the same
  for (std::size_t i = 0; i < plan.waitables.size(); ++i) {
    const short found = fds[i + 1].revents;
    if (found & (POLLHUP | POLLERR | POLLNVAL)) {
      ready[i] = loop::Readiness::kHungUp;
    } else if (found & POLLIN) {
      ready[i] = loop::Readiness::kReady;
    }
  }
}

}  // namespace LoopSleep
