// When each reply goes out: after the reply delay, in the order the commands
// came, and with --split as two writes a short pause apart. In real time
// (the default; --fast not) a command counts from when its last byte has
// crossed the line, each reply byte takes the line's character time, and
// the program's receiver hands the reply on in its pieces (LineTime.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "console/protocol/DispenserFrames.h"
#include "console/simulator/LineTime.h"

// The pause between the two writes of a split reply: long enough for the
// receiving side to see them as two blocks.
inline constexpr std::chrono::milliseconds kSplitPause{20};
// Where a split reply is cut: the first write carries this many bytes.
inline constexpr std::size_t kSplitAt = 5;

// One write to the line: its bytes and, for a split reply, which part it is.
struct TScheduledWrite {
  TSimClock::time_point Due;
  std::vector<std::uint8_t> Bytes;
  int Part = 0;  // 0 for a whole reply (or a receiver's piece of one), else 1 or 2
};

class TReplySchedule {
 public:
  // Fast without a receiver: bytes cross the line at once.
  TReplySchedule(std::chrono::milliseconds delay, bool split,
                 std::optional<TReceiver> realTime = std::nullopt,
                 TSimClock::time_point epoch = TSimClock::now())
      : FDelay(delay), FSplit(split), FRealTime(realTime), FEpoch(epoch) {}

  // When the next received byte, read at `now`, has crossed a line of that
  // format: after the bytes before it (at once when fast).
  TSimClock::time_point Crossed(TSimClock::time_point now, const TLineFormat& format);

  // Schedules the reply to a command complete at `now`. A reply never goes
  // out before one scheduled earlier, nor on the line before its end.
  void Add(const TFrame& reply, TSimClock::time_point now,
           const TLineFormat& format = kDispenserFormat);

  // The due time of the next write, or nothing if none is scheduled.
  std::optional<TSimClock::time_point> NextDue() const;

  // Removes and returns, in order, the writes due at `now`.
  std::vector<TScheduledWrite> TakeDue(TSimClock::time_point now);

 private:
  void AddPieces(std::span<const std::uint8_t> bytes, std::span<const TSimClock::time_point> ends,
                 TSimClock::duration characterTime, int part);

  std::chrono::milliseconds FDelay;
  bool FSplit;
  std::optional<TReceiver> FRealTime;
  TSimClock::time_point FEpoch;
  TSimClock::time_point FInFree{};   // when the line from the program is free again
  TSimClock::time_point FOutFree{};  // when the line to the program is free again
  std::deque<TScheduledWrite> FWrites;
};
