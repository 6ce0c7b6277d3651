// Work that a thread about to sleep on an event can take over from the thread
// that would otherwise do it and then wake the sleeper. A terminal lets the
// thread that sleeps on its pending event wait watch the line itself: the
// bytes that complete the wait are read by the thread that waits for them,
// and nobody else has to wake.
#pragma once

#include <memory>

#include "platform/serial/Event.h"

namespace comm {

class EventHelper {
 public:
  virtual ~EventHelper() = default;
  // A descriptor for the sleeper to poll for input along with the event, or
  // -1 (nothing to watch now). Until Disown, the work is the sleeper's.
  virtual int Adopt() = 0;
  // The descriptor polled ready (hangUp: POLLHUP or POLLERR with it).
  virtual void Serve(bool hangUp) = 0;
  // The sleeper stops watching: after a successful Adopt, always called once.
  // The helper may leave the work for the next sleeper for a while rather
  // than hand it back at once (a terminal does, see TtyLine.h).
  virtual void Disown() = 0;
};

// While set, every thread that sleeps on the event adopts the helper's work.
// An empty helper ends that.
void SetEventHelper(const Event& event, std::shared_ptr<EventHelper> helper);

}  // namespace comm
