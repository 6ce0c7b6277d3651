// The one contract between the main thread's loop and the work it waits on
// besides its queue of calls (an open port's device wait, a device watch, a
// program's signals and time-outs). Both the runtime (the loops) and the
// serial device layer (what a port's wait sleeps on) speak it; header only.
//
// A source is served by the loop of the main thread, one round at a time:
//
//   Prepare   before the loop sleeps: the source appends what to sleep on
//             (Waitable) and may bring the sleep's deadline forward; false
//             when it has work now, so the loop must not block.
//   Finish    after the sleep, whatever ended it (a waitable, the deadline,
//             the loop's own wake-up, a Qt event): how each waitable it
//             appended was found, in order. Follows every Prepare once,
//             before the next Prepare; runs no program code.
//   Dispatch  runs the work that is ready, if any; program code may run here
//             (handlers, a modal dialog with a loop of its own).
//   Ready     whether there is work now, without a system call: a loop that
//             only looks in passing (ProcessMessages) asks it.
//
// Threads. Every call comes on the main thread. Adding a source may happen
// on any thread (the loop is woken for it); removing one happens on the main
// thread, and from then on the loop calls nothing of it but the Finish of a
// sleep already prepared.
//
// Who owns the wait. Between Prepare and Finish the sleep owns what the
// source appended: a source must not release it (close a descriptor, free an
// event) before its Finish. Outside a sleep the source alone owns it.
//
// Nested loops. Dispatch may run a loop of its own (a modal dialog, a
// ProcessMessages): that loop serves every source again, this one included,
// while its Dispatch is under way. A source busy in its own Dispatch appends
// nothing and reports no work (the nested loop neither sleeps on it nor
// enters it twice); its waitable is watched again after its Dispatch returns.
//
// Close and failure. A source that ends (its port closed, its device gone)
// removes itself; if it ends from another thread, it marks itself ended and
// wakes the loop, whose next Dispatch removes it. A waitable that cannot be
// slept on is reported by the source as work now (Prepare returns false) and
// its Dispatch deals with the failure; the loop never fails for a source.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace loop {

// What a loop sleeps on: a descriptor polled for input on POSIX, a handle
// waited for on Windows.
using Waitable = std::intptr_t;

// How a waitable was found after a sleep.
enum class Readiness : std::uint8_t {
  kNotReady,
  kReady,
  kHungUp,  // POSIX: the descriptor reported a hang-up or an error
};

using Clock = std::chrono::steady_clock;

// What one sleep of the loop waits on: every source's waitables and the
// earliest of their deadlines (none: only a waitable or a wake-up ends it).
struct SleepPlan {
  std::vector<Waitable> waitables;
  std::optional<Clock::time_point> deadline;

  // The sleep ends at `when` at the latest.
  void WakeBy(Clock::time_point when) {
    if (!deadline || when < *deadline) deadline = when;
  }
};

// The time left until a deadline as a poll-style time-out: whole
// milliseconds, rounded up (waking before it would only mean sleeping
// again), 0 when it has passed, -1 for none.
inline int MillisecondsUntil(const std::optional<Clock::time_point>& deadline) {
  if (!deadline) return -1;
  const auto left = *deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(ms < (1 << 30) ? ms : (1 << 30));
}

class Source {
 public:
  virtual ~Source() = default;
  virtual bool Prepare(SleepPlan& plan) = 0;
  virtual void Finish(const Readiness* ready) = 0;
  virtual void Dispatch() = 0;
  virtual bool Ready() = 0;
};

}  // namespace loop
