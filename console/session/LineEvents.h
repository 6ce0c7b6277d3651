// What the line did apart from its bytes, as the port's events tell it: a
// break, a line error or a modem-line change; and a burst of one kind summed
// up, so that a floating line's thousands of errors a second stay a few
// lines. Shared by the window and dispenser-cli monitor.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/CPortTypes.h"

enum TLineEventKind : std::uint8_t {
  lkBreak,
  lkFraming,
  lkParity,
  lkOverrun,  // the UART's receiver overran
  lkRxOver,   // the input queue overflowed
  lkCTS,
  lkDSR,
  lkRing,
  lkRLSD,
};
inline constexpr std::size_t kLineEventKinds = lkRLSD + 1;

struct TLineEvent {
  TLineEventKind Kind = lkBreak;
  bool On = false;  // modem lines: the line's state (the latest, for a burst)
  // 1 for one event; for a burst's summary, the events of its second.
  unsigned Count = 1;

  friend bool operator==(const TLineEvent&, const TLineEvent&) = default;
};

// The kind's name for programs: "break", "framing-error", "parity-error",
// "overrun", "rx-overflow", "cts", "dsr", "ring", "rlsd".
std::string_view LineEventName(TLineEventKind kind);

// For people: "break", "framing error", "CTS on", "RING on",
// "framing error × 312 in 1 s", "CTS × 40 in 1 s, now off".
std::string LineEventText(const TLineEvent& event);

// The line errors of an OnError in a fixed order: framing, parity, overrun,
// input queue overflow. A break is left out: OnBreak tells it.
std::vector<TLineEventKind> LineErrorKinds(TComErrors errors);

// Sums up bursts: the first event of a kind is shown at once and opens a
// second for that kind; the rest of that second are only counted, and when
// it is over one summary line tells how many there were. So each kind gives
// at most two lines a second, however fast the line goes.
class TLineEventBursts {
 public:
  using TClock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kWindow{1};

  // What to show now for an event at `now`, in order: the summary of its
  // kind's second if that is over, then the event if it opens a new second.
  std::vector<TLineEvent> Add(const TLineEvent& event, TClock::time_point now);

  // When the earliest open second ends, or nothing while none is open.
  std::optional<TClock::time_point> NextDue() const;

  // The summaries of the seconds over at `now` (a second with one event
  // has none), in the order of the kinds; closes those seconds.
  std::vector<TLineEvent> TakeDue(TClock::time_point now);

 private:
  struct TWindow {
    TClock::time_point End;
    unsigned Count = 0;
    bool On = false;
  };
  std::optional<TLineEvent> Close(TLineEventKind kind);

  std::array<std::optional<TWindow>, kLineEventKinds> FWindows;
};
