#include "console/simulator/LineTime.h"

#include "platform/runtime/Decimal.h"
#include "platform/runtime/SysUtils.h"

TSimClock::duration CharacterTime(const TLineFormat& format) {
  // In half bits, so that one and a half stop bits count.
  const unsigned halfBits =
      2 * (1 + format.DataBits + (format.Parity ? 1 : 0)) + format.StopHalfBits;
  const auto ns = std::chrono::nanoseconds(500'000'000LL * halfBits / std::max(format.BitRate, 1u));
  return std::chrono::duration_cast<TSimClock::duration>(ns);
}

std::string LineFormatText(const TLineFormat& format) {
  std::string stop = format.StopHalfBits == 3 ? "1.5" : std::to_string(format.StopHalfBits / 2);
  return std::to_string(format.BitRate) + " bit/s " + std::to_string(format.DataBits) +
         (format.Parity ? "P" : "N") + stop;
}

std::string LineMismatch(const TLineFormat& format) {
  if (format == kDispenserFormat) return {};
  if (format.BitRate != kDispenserFormat.BitRate) {
    return "program set " + std::to_string(format.BitRate) + " bit/s, dispenser runs at " +
           std::to_string(kDispenserFormat.BitRate) + ": bytes would be garbled";
  }
  return "program set " + LineFormatText(format) + ", dispenser runs " +
         LineFormatText(kDispenserFormat) + ": bytes would be garbled";
}

TReceiver ParseReceiver(std::string_view text) {
  if (text == "pty") return {rkPty};
  if (text == "uart") return {rkUart};
  if (text == "usb") return {rkUsb};
  if (text.starts_with("usb:")) {
    const auto ms = ParseDecimal(text.substr(4), 255);
    if (ms && *ms > 0) return {rkUsb, std::chrono::milliseconds(*ms)};
    throw EConvertError("USB latency '" + std::string(text.substr(4)) +
                        "' is not a number of milliseconds from 1 to 255");
  }
  throw EConvertError("unknown receiver '" + std::string(text) + "' (pty, uart, usb or usb:MS)");
}

std::vector<TReceivedPiece> CutByReceiver(std::span<const TSimClock::time_point> ends,
                                          const TReceiver& receiver,
                                          TSimClock::duration characterTime,
                                          TSimClock::time_point epoch) {
  std::vector<TReceivedPiece> pieces;
  if (ends.empty()) return pieces;
  switch (receiver.Kind) {
    case rkPty:
      pieces.push_back({ends.back(), ends.size()});
      break;
    case rkUart: {
      // Each eighth byte reaches the trigger level; what is left over waits
      // for the FIFO's time-out after the last byte.
      std::size_t given = 0;
      while (ends.size() - given >= kUartTrigger) {
        given += kUartTrigger;
        pieces.push_back({ends[given - 1], kUartTrigger});
      }
      if (given < ends.size()) {
        pieces.push_back(
            {ends.back() + kUartTimeoutCharacters * characterTime, ends.size() - given});
      }
      break;
    }
    case rkUsb: {
      // The timer runs out every Latency from the epoch; each time the
      // adapter hands on what has fully come.
      const auto latency = std::chrono::duration_cast<TSimClock::duration>(receiver.Latency);
      std::size_t given = 0;
      while (given < ends.size()) {
        const auto ticks = (ends[given] - epoch + latency - TSimClock::duration(1)) / latency;
        const TSimClock::time_point tick = epoch + ticks * latency;
        std::size_t last = given;
        while (last < ends.size() && ends[last] <= tick) ++last;
        pieces.push_back({tick, last - given});
        given = last;
      }
      break;
    }
  }
  return pieces;
}
