// Events on Linux: a flag under a mutex. A waiter that has to sleep does so
// in poll() on the event's eventfd, made when it is first needed; while
// nobody sleeps on an event, setting and resetting it are a store under the
// mutex and no system call. Waiters confirm (and, for auto-reset, take) the
// flag under the mutex, so every hand-over is ordered by it.
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/serial/CommDevice.h"
#include "platform/serial/Event.h"
#include "platform/serial/posix/EventHelper.h"
#include "platform/serial/posix/EventState.h"

namespace comm {

void SetEventHelper(const Event& event, std::shared_ptr<EventHelper> helper) {
  if (!event.state_) return;
  std::lock_guard lock(event.state_->mu);
  event.state_->helper = std::move(helper);
}

Event Event::Create(bool manualReset, bool initialState) {
  return Event(std::make_shared<State>(manualReset, initialState));
}

void Event::Set() const {
  if (!state_) return;
  int kick;
  {
    std::lock_guard lock(state_->mu);
    kick = state_->Raise();
  }
  State::Kick(kick);
}

void Event::SetAfter(const std::function<void()>& publish) const {
  if (!state_) {
    publish();
    return;
  }
  int kick;
  {
    std::lock_guard lock(state_->mu);
    publish();
    kick = state_->Raise();
  }
  State::Kick(kick);
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

// As many events as one wait may take on Windows.
constexpr std::size_t kMaxWaitObjects = 64;

}  // namespace

std::uint32_t WaitForMultipleObjects(std::initializer_list<const Event*> events,
                                     std::uint32_t timeoutMs) {
  std::array<Event::State*, kMaxWaitObjects> states;
  std::array<pollfd, kMaxWaitObjects + 1> fds;  // and a helper's descriptor
  const std::size_t count = events.size();
  if (count == 0 || count > kMaxWaitObjects) return WAIT_FAILED;
  std::size_t i = 0;
  for (const Event* event : events) {
    if (event == nullptr || !event->state_) return WAIT_FAILED;
    states[i++] = event->state_.get();
  }
  const bool infinite = timeoutMs == INFINITE;
  const auto deadline = Clock::now() + std::chrono::milliseconds(infinite ? 0 : timeoutMs);
  for (;;) {
    for (i = 0; i < count; ++i) {
      if (states[i]->TryTake()) return WAIT_OBJECT_0 + static_cast<std::uint32_t>(i);
    }
    int timeout = -1;
    if (!infinite) {
      const auto left = deadline - Clock::now();
      if (left <= Clock::duration::zero()) return WAIT_TIMEOUT;
      // Rounded up so that the wait never ends before the deadline.
      timeout = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
    }
    bool failed = false;
    std::size_t prepared = 0;
    std::shared_ptr<EventHelper> helper;
    for (int fd;
         prepared < count && (fd = states[prepared]->PrepareSleep(&failed, &helper)) >= 0;) {
      fds[prepared++] = pollfd{fd, POLLIN, 0};
    }
    int sleepError = failed ? errno : 0;  // no descriptor could be made
    int n = 0;
    if (prepared == count) {
      // The last event with a helper hands its work to this sleep.
      const int watched = helper ? helper->Adopt() : -1;
      fds[count] = pollfd{watched, POLLIN, 0};
      n = ::poll(fds.data(), count + (watched >= 0 ? 1 : 0), timeout);
      if (n < 0 && errno == EINTR) n = 0;
      if (n < 0) sleepError = errno;
      for (i = 0; i < prepared; ++i) states[i]->EndSleep();
      if (watched >= 0) {
        if (n > 0 && fds[count].revents != 0) {
          helper->Serve((fds[count].revents & (POLLHUP | POLLERR)) != 0);
        }
        helper->Disown();
      }
    } else {
      for (i = 0; i < prepared; ++i) states[i]->EndSleep();
    }
    if (failed || n < 0) {
      SetLastError(sleepError);
      return WAIT_FAILED;
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
