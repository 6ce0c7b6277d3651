// An event among the waitables of a loop that sleeps on its own (the main
// thread's loop): while that loop sleeps on it, it counts as a sleeper of
// the event, and work that a helper lends the event's sleepers (a terminal's
// input, while the event is a pending device wait) is done by the loop when
// it wakes, so that the set that follows needs no other thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

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
  // helper lends its work, the helper's descriptor.
  Outcome Prepare(std::vector<std::intptr_t>& waitables);
  // After the sleep: how each waitable that Prepare appended was found, in
  // order: 0 not ready, 1 ready, 2 hung up or failed. Does the lent work if
  // its descriptor was ready, and gives it back.
  void Finish(const char* ready);

  const Event& Watched() const { return event_; }

 private:
  Event event_;
  bool sleeping_ = false;
  int lent_ = -1;  // POSIX: the helper's descriptor during a sleep
  std::shared_ptr<EventHelper> helper_;
};

}  // namespace comm
