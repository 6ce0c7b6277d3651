// When each reply goes out: after the reply delay, in the order the commands
// came, and with --split as two writes a short pause apart.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "console/protocol/DispenserFrames.h"

using TSimClock = std::chrono::steady_clock;

// The pause between the two writes of a split reply: long enough for the
// receiving side to see them as two blocks.
inline constexpr std::chrono::milliseconds kSplitPause{20};
// Where a split reply is cut: the first write carries this many bytes.
inline constexpr std::size_t kSplitAt = 5;

// One write to the line: its bytes and, for a split reply, which part it is.
struct TScheduledWrite {
  TSimClock::time_point Due;
  std::vector<std::uint8_t> Bytes;
  int Part = 0;  // 0 for a whole reply, else 1 or 2
};

class TReplySchedule {
 public:
  TReplySchedule(std::chrono::milliseconds delay, bool split) : FDelay(delay), FSplit(split) {}

  // Schedules the reply to a command received at `now`. A reply never goes
  // out before one scheduled earlier.
  void Add(const TFrame& reply, TSimClock::time_point now);

  // The due time of the next write, or nothing if none is scheduled.
  std::optional<TSimClock::time_point> NextDue() const;

  // Removes and returns, in order, the writes due at `now`.
  std::vector<TScheduledWrite> TakeDue(TSimClock::time_point now);

 private:
  std::chrono::milliseconds FDelay;
  bool FSplit;
  std::deque<TScheduledWrite> FWrites;
};
