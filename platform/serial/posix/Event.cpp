// Events on Linux: a flag under a mutex, mirrored by an eventfd that is
// readable exactly while the flag is set. Waiters sleep in poll() on the
// eventfds and confirm (and, for auto-reset, take) the flag under the mutex,
// so every hand-over is ordered by the mutex.
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/serial/Event.h"

namespace comm {

struct Event::State {
  State(bool manual, bool initial, int fd) : manualReset(manual), signaled(false), fd(fd) {
    if (initial) Raise();
  }
  ~State() { ::close(fd); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // Both with mu held.
  void Raise() {
    if (signaled) return;
    signaled = true;
    const std::uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }
  void Lower() {
    if (!signaled) return;
    signaled = false;
    std::uint64_t value;
    while (::read(fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
  }
  // Takes the event if it is set (an auto-reset event is reset by this).
  bool TryTake() {
    std::lock_guard lock(mu);
    if (!signaled) return false;
    if (!manualReset) Lower();
    return true;
  }

  const bool manualReset;
  std::mutex mu;
  bool signaled;
  const int fd;
};

Event Event::Create(bool manualReset, bool initialState) {
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return Event();
  return Event(std::make_shared<State>(manualReset, initialState, fd));
}

void Event::Set() const {
  if (!state_) return;
  std::lock_guard lock(state_->mu);
  state_->Raise();
}

void Event::SetAfter(const std::function<void()>& publish) const {
  if (!state_) {
    publish();
    return;
  }
  std::lock_guard lock(state_->mu);
  publish();
  state_->Raise();
}

void Event::Reset() const {
  if (!state_) return;
  std::lock_guard lock(state_->mu);
  state_->Lower();
}

bool Event::IsSet() const {
  if (!state_) return false;
  std::lock_guard lock(state_->mu);
  return state_->signaled;
}

namespace {

using Clock = std::chrono::steady_clock;

// Sleeps in poll() until one of the descriptors is readable or the deadline
// passes. Returns false on time-out or when poll fails.
bool SleepUntilReadable(std::vector<pollfd>& fds, bool infinite, Clock::time_point deadline,
                        bool* failed) {
  for (;;) {
    int timeout = -1;
    if (!infinite) {
      const auto left = deadline - Clock::now();
      if (left <= Clock::duration::zero()) return false;
      // Round up so that the wait never ends before the deadline.
      timeout = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
    }
    const int n = ::poll(fds.data(), fds.size(), timeout);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) {
      *failed = true;
      return false;
    }
  }
}

}  // namespace

std::uint32_t WaitForMultipleObjects(std::initializer_list<const Event*> events,
                                     std::uint32_t timeoutMs) {
  std::vector<Event::State*> states;
  std::vector<pollfd> fds;
  for (const Event* event : events) {
    if (event == nullptr || !event->state_) return WAIT_FAILED;
    states.push_back(event->state_.get());
    fds.push_back(pollfd{event->state_->fd, POLLIN, 0});
  }
  if (states.empty()) return WAIT_FAILED;
  const bool infinite = timeoutMs == INFINITE;
  const auto deadline = Clock::now() + std::chrono::milliseconds(infinite ? 0 : timeoutMs);
  for (;;) {
    for (std::size_t i = 0; i < states.size(); ++i) {
      if (states[i]->TryTake()) return WAIT_OBJECT_0 + static_cast<std::uint32_t>(i);
    }
    bool failed = false;
    if (!SleepUntilReadable(fds, infinite, deadline, &failed)) {
      return failed ? WAIT_FAILED : WAIT_TIMEOUT;
    }
  }
}

std::uint32_t WaitForSingleObject(const Event& event, std::uint32_t timeoutMs) {
  return WaitForMultipleObjects({&event}, timeoutMs);
}

void Sleep(std::uint32_t ms) {
  if (ms == 0) {
    ::sched_yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

}  // namespace comm
