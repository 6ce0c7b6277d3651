#include "console/simulator/ReplySchedule.h"

#include <algorithm>

void TReplySchedule::Add(const TFrame& reply, TSimClock::time_point now) {
  TSimClock::time_point due = now + FDelay;
  if (!FWrites.empty()) due = std::max(due, FWrites.back().Due);
  if (!FSplit) {
    FWrites.push_back({due, {reply.begin(), reply.end()}, 0});
    return;
  }
  FWrites.push_back({due, {reply.begin(), reply.begin() + kSplitAt}, 1});
  FWrites.push_back({due + kSplitPause, {reply.begin() + kSplitAt, reply.end()}, 2});
}

std::optional<TSimClock::time_point> TReplySchedule::NextDue() const {
  if (FWrites.empty()) return std::nullopt;
  return FWrites.front().Due;
}

std::vector<TScheduledWrite> TReplySchedule::TakeDue(TSimClock::time_point now) {
  std::vector<TScheduledWrite> due;
  while (!FWrites.empty() && FWrites.front().Due <= now) {
    due.push_back(std::move(FWrites.front()));
    FWrites.pop_front();
  }
  return due;
}
