#include "platform/serial/CommRules.h"
#include "platform/serial/SystemErrorNumbers.h"

namespace comm {

namespace {

// Longer than any device will be open; larger products mean "no limit" and
// keep clock arithmetic away from overflow.
constexpr std::uint64_t kForeverMs = std::uint64_t{1} << 40;

std::optional<std::chrono::milliseconds> Limit(std::uint64_t ms) {
  if (ms >= kForeverMs) return std::nullopt;
  return std::chrono::milliseconds(ms);
}

}  // namespace

std::int32_t ValidateDcb(const DCB& dcb) {
  if (dcb.BaudRate == 0) return kErrInvalidArgument;
  if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return kErrInvalidArgument;
  if (dcb.Parity > 4 || dcb.StopBits > 2) return kErrInvalidArgument;
  if (dcb.StopBits == 1 && dcb.ByteSize != 5) return kErrInvalidArgument;
  if (dcb.StopBits == 2 && dcb.ByteSize == 5) return kErrInvalidArgument;
  if (dcb.fDtrControl > 2 || dcb.fRtsControl > 3) return kErrInvalidArgument;
  if ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar) return kErrInvalidArgument;
  return 0;
}

std::int32_t ValidateTimeouts(const COMMTIMEOUTS& t) {
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
      t.ReadTotalTimeoutConstant == MAXDWORD) {
    return kErrInvalidArgument;
  }
  return 0;
}

ReadPlan PlanRead(const COMMTIMEOUTS& t, DWORD count) {
  ReadPlan plan;
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
      t.ReadTotalTimeoutConstant == 0) {
    plan.immediate = true;
    return plan;
  }
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
      t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD) {
    plan.returnOnAny = true;
    plan.total = std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
    return plan;
  }
  if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
    plan.total =
        Limit(std::uint64_t{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant);
  }
  if (t.ReadIntervalTimeout != 0) plan.interval = Limit(t.ReadIntervalTimeout);
  return plan;
}

std::optional<std::chrono::milliseconds> WriteTimeLimit(const COMMTIMEOUTS& t, DWORD count) {
  if (t.WriteTotalTimeoutMultiplier == 0 && t.WriteTotalTimeoutConstant == 0) return std::nullopt;
  return Limit(std::uint64_t{t.WriteTotalTimeoutMultiplier} * count + t.WriteTotalTimeoutConstant);
}

}  // namespace comm
