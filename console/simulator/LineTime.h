// The serial line's time as the simulator keeps it: how long a character
// takes in the line format the program set, when the bytes the program wrote
// have crossed the line, and in which pieces the program's receiver hands on
// a reply (a UART's FIFO, a USB adapter's latency timer, or whole).
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using TSimClock = std::chrono::steady_clock;

struct TLineFormat {
  unsigned BitRate = 9600;
  unsigned DataBits = 8;
  bool Parity = false;
  unsigned StopHalfBits = 2;  // 2 for one stop bit, 3 for one and a half, 4 for two

  friend bool operator==(const TLineFormat&, const TLineFormat&) = default;
};

// The dispenser's own line: 9600 bit/s, 8N1.
inline constexpr TLineFormat kDispenserFormat{};

// Start bit, data bits, parity bit and stop bits at the bit rate: 1.04 ms
// for 8N1 at 9600 bit/s.
TSimClock::duration CharacterTime(const TLineFormat& format);

// "19200 bit/s 8N1".
std::string LineFormatText(const TLineFormat& format);

// What a program with that format gets from the dispenser, or empty when it
// matches: "program set 19200 bit/s, dispenser runs at 9600: bytes would be
// garbled".
std::string LineMismatch(const TLineFormat& format);

// How the program's receiver hands received bytes on.
enum TReceiverKind : std::uint8_t {
  rkPty,   // whole: each reply at once when its last byte has crossed
  rkUart,  // a 16550: FIFO of 16, trigger level 8, time-out after 4 characters
  rkUsb,   // a USB adapter: what has come, each time its latency timer runs out
};

inline constexpr unsigned kUartTrigger = 8;
inline constexpr unsigned kUartTimeoutCharacters = 4;
inline constexpr std::chrono::milliseconds kUsbLatency{16};

struct TReceiver {
  TReceiverKind Kind = rkPty;
  std::chrono::milliseconds Latency = kUsbLatency;  // rkUsb

  friend bool operator==(const TReceiver&, const TReceiver&) = default;
};

// "pty", "uart", "usb" or "usb:MS" (a latency from 1 to 255 ms). Raises
// EConvertError naming what is wrong.
TReceiver ParseReceiver(std::string_view text);

// One piece the receiver hands on: when, and how many of the bytes.
struct TReceivedPiece {
  TSimClock::time_point At;
  std::size_t Bytes;

  friend bool operator==(const TReceivedPiece&, const TReceivedPiece&) = default;
};

// The pieces of a reply whose bytes end crossing the line at `ends` (one
// time per byte, in order). A USB adapter's timer runs from `epoch`.
std::vector<TReceivedPiece> CutByReceiver(std::span<const TSimClock::time_point> ends,
                                          const TReceiver& receiver,
                                          TSimClock::duration characterTime,
                                          TSimClock::time_point epoch);
