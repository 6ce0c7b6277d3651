// A loop's sleep on an event on Windows: the event's own handle. The system
// completes the device's operations itself; there is no work to give a sleeper.
#include "platform/serial/EventWatch.h"

#include "platform/serial/win32/EventState.h"

namespace comm {

EventWatch::EventWatch(Event event) : event_(std::move(event)) {}

EventWatch::~EventWatch() = default;

EventWatch::Outcome EventWatch::Prepare(std::vector<loop::Waitable>& waitables) {
  if (event_.state_ == nullptr) return kFailed;
  if (event_.IsSet()) return kSet;
  sleeping_ = true;
  waitables.push_back(reinterpret_cast<loop::Waitable>(event_.state_->handle));
  return kSleep;
}

void EventWatch::Finish(const loop::Readiness*) {
  sleeping_ = false;
}

}  // namespace comm
