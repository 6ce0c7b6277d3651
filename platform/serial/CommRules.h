// The Windows rules that every serial device here follows, as pure
// functions: which control blocks and time-outs are acceptable, and when a
// read or write ends under the time-outs.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/serial/CommDevice.h"

namespace comm {

// Every EV_ flag a mask may hold (EV_RXCHAR up to the two provider events).
inline constexpr DWORD kAllCommEvents = 0x1FFF;

// 0, or kErrInvalidArgument for a block no serial device accepts: a rate of 0, data bits
// outside 5..8, an unknown parity or stop-bit code, 1.5 stop bits with more
// than 5 data bits, 2 stop bits with 5, an unknown DTR or RTS mode, or XON/XOFF
// in use with the same character for both.
std::int32_t ValidateDcb(const DCB& dcb);

// 0, or kErrInvalidArgument for time-outs Windows refuses (all three read values MAXDWORD).
std::int32_t ValidateTimeouts(const COMMTIMEOUTS& timeouts);

// When a read of count bytes ends, besides having all count bytes.
struct ReadPlan {
  bool immediate = false;                          // at once, with what is there (possibly nothing)
  bool returnOnAny = false;                        // as soon as at least one byte is there
  std::optional<std::chrono::milliseconds> total;  // from the start
  std::optional<std::chrono::milliseconds> interval;  // after the latest byte
};
ReadPlan PlanRead(const COMMTIMEOUTS& timeouts, DWORD count);

// How long a write of count bytes may take; nothing when it may take forever.
std::optional<std::chrono::milliseconds> WriteTimeLimit(const COMMTIMEOUTS& timeouts, DWORD count);

}  // namespace comm
