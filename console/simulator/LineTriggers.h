// What a SIM port's dispenser does to its line on demand, for tests and
// demos of the line analyser: a break, a line error or a modem-line change,
// after its Nth answered command (before that reply) or every so many
// milliseconds, once or as a burst. A pseudo-terminal carries none of these,
// so dispenser-sim has no such option.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

enum TLineTriggerKind : std::uint8_t {
  ltBreak,
  ltFraming,
  ltParity,  // reported only by a port that checks parity
  ltOverrun,
  ltRxOver,
  ltCTS,  // each firing turns the line over: the first turns it on
  ltDSR,
  ltRing,  // a ring: the line comes on and goes off again
  ltRLSD,
};

struct TLineTrigger {
  TLineTriggerKind Kind = ltBreak;
  unsigned AfterCommand = 0;           // KIND@N: after the Nth answered command (0: not so)
  std::chrono::milliseconds Period{};  // KIND/MS: every MS ms from the start (0: not so)
  unsigned Count = 1;                  // *COUNT: so many in a row each time

  friend bool operator==(const TLineTrigger&, const TLineTrigger&) = default;
};

inline constexpr unsigned kMaxLineBurst = 100'000;

// "KIND@N[*COUNT]" or "KIND/MS[*COUNT]", KIND one of LineTriggerKindNames().
// Raises EConvertError naming what is wrong.
TLineTrigger ParseLineTrigger(std::string_view text);

// "break, framing, parity, overrun, rx-over, cts, dsr, ring, rlsd".
std::string LineTriggerKindNames();
