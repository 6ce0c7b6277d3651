// The event object behind a comm::Event on Linux: a flag under a mutex, and
// an eventfd made for the first waiter that has to sleep. Internal to the
// posix backend (Event.cpp, EventWatch.cpp).
#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/serial/Event.h"
#include "platform/serial/posix/EventHelper.h"

namespace comm {

struct Event::State {
  State(bool manual, bool initial) : manualReset(manual), signaled(initial) {}
  ~State() {
    if (fd >= 0) ::close(fd);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // With mu held: sets the flag. Returns the descriptor that a sleeper
  // polls, to be made readable (Kick) once mu is released, so that the woken
  // waiter does not find the mutex still held; -1 when nobody sleeps or the
  // descriptor is readable already.
  int Raise() {
    signaled = true;
    if (sleepers == 0 || counted) return -1;
    counted = true;
    return fd;
  }
  // With mu held. A count left on the descriptor is drained by the next sleeper.
  void Lower() { signaled = false; }

  static void Kick(int fd) {
    if (fd < 0) return;
    const std::uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }

  // Takes the event if it is set (an auto-reset event is reset by this).
  bool TryTake() {
    std::lock_guard lock(mu);
    if (!signaled) return false;
    if (!manualReset) Lower();
    return true;
  }
  // Before a waiter sleeps: -1 if the event is set meanwhile (do not sleep)
  // or no descriptor can be made (*failed). Otherwise the descriptor to poll,
  // which turns readable at the next set; the waiter counts as a sleeper and
  // gets the helper whose work it adopts, if there is one.
  int PrepareSleep(bool* failed, std::shared_ptr<EventHelper>* adopted) {
    std::lock_guard lock(mu);
    if (signaled) return -1;
    if (fd < 0) {
      fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
      if (fd < 0) {
        *failed = true;
        return -1;
      }
    }
    if (counted) {
      std::uint64_t value;
      ssize_t n;
      while ((n = ::read(fd, &value, sizeof value)) < 0 && errno == EINTR) {
      }
      // Nothing to read: the set that counted it has not kicked yet. It
      // will, and wakes this sleep once; the next one drains it.
      if (n > 0) counted = false;
    }
    ++sleepers;
    if (helper) *adopted = helper;
    return fd;
  }
  void EndSleep() {
    std::lock_guard lock(mu);
    --sleepers;
  }

  const bool manualReset;
  std::mutex mu;
  bool signaled;
  int fd = -1;
  bool counted = false;  // the descriptor's counter is not zero (it polls readable)
  int sleepers = 0;
  std::shared_ptr<EventHelper> helper;
};

}  // namespace comm
