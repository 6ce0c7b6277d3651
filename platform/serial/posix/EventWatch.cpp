// A loop's sleep on an event on Linux: the event's eventfd, counted as a
// sleeper as WaitForMultipleObjects does, and the work a helper gives its
// sleepers (a terminal's input).
#include "platform/serial/EventWatch.h"

#include <cerrno>

#include "platform/serial/CommDevice.h"
#include "platform/serial/posix/EventHelper.h"
#include "platform/serial/posix/EventState.h"

namespace comm {

EventWatch::EventWatch(Event event) : event_(std::move(event)) {}

EventWatch::~EventWatch() {
  const loop::Readiness none[2] = {loop::Readiness::kNotReady, loop::Readiness::kNotReady};
  Finish(none);
}

EventWatch::Outcome EventWatch::Prepare(std::vector<loop::Waitable>& waitables) {
  Event::State* state = event_.state_.get();
  if (state == nullptr) return kFailed;
  bool failed = false;
  const int fd = state->PrepareSleep(&failed, &helper_);
  if (fd < 0) {
    helper_.reset();
    if (!failed) return kSet;
    SetLastError(errno);  // no descriptor could be made
    return kFailed;
  }
  sleeping_ = true;
  waitables.push_back(fd);
  lent_ = helper_ ? helper_->Adopt() : -1;
  if (lent_ >= 0) {
    waitables.push_back(lent_);
  } else {
    helper_.reset();
  }
  return kSleep;
}

void EventWatch::Finish(const loop::Readiness* ready) {
  if (!sleeping_) return;
  sleeping_ = false;
  event_.state_->EndSleep();
  if (lent_ >= 0) {
    if (ready[1] != loop::Readiness::kNotReady) helper_->Serve(ready[1] == loop::Readiness::kHungUp);
    helper_->Disown();
    lent_ = -1;
  }
  helper_.reset();
}

}  // namespace comm
