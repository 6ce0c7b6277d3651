// An event among the waitables of a loop source (platform/loop/LoopSource.h):
// while the loop sleeps on it, it counts as a sleeper of the event, and work
// that a helper gives the event's sleepers (a terminal's input, while the
// event is a pending device wait) is done by the loop when it wakes, so that
// the set that follows needs no other thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/loop/LoopSource.h"
#include "platform/serial/Event.h"

namespace comm {

class EventHelper;

class EventWatch {
 public:
  explicit EventWatch(Event event);
  ~EventWatch();  // ends a sleep still prepared
  EventWatch(const EventWatch&) = delete;
  EventWatch& operator=(const EventWatch&) = delete;

  enum Outcome : std::uint8_t {
    kSleep,   // appended what to sleep on
    kSet,     // the event is set: no sleep
    kFailed,  // the event cannot be slept on (no descriptor could be made)
  };
  // Before the loop sleeps: appends the waitables of the event (POSIX: a
  // descriptor polled for input; Windows: the event's handle) and, when a
  // helper gives its work to the sleeper, the helper's descriptor.
  Outcome Prepare(std::vector<loop::Waitable>& waitables);
  // After the sleep: how each waitable that Prepare appended was found, in
  // order. Does the helper's work if its descriptor was ready, and hands it
  // back to the helper.
  void Finish(const loop::Readiness* ready);

  const Event& Watched() const { return event_; }

 private:
  Event event_;
  bool sleeping_ = false;
  int lent_ = -1;  // POSIX: the helper's descriptor during a sleep
  std::shared_ptr<EventHelper> helper_;
};

}  // namespace comm
