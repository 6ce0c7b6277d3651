#include "platform/serial/posix/TermiosMapping.h"

#include <termios.h>

#include <cerrno>

#include "platform/serial/CommRules.h"

namespace comm::posix {

namespace {

constexpr std::uint32_t kFrameFlags = CSIZE | PARENB | PARODD | CMSPAR;
constexpr std::uint32_t kRawInputOff =
    IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL | IXANY | IMAXBEL | IUCLC | IUTF8;
constexpr std::uint32_t kInputFlags = kRawInputOff | INPCK | PARMRK | IXON | IXOFF;
constexpr std::uint32_t kLocalFlags = ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN;
constexpr std::uint32_t kControlFlags = CSTOPB | CRTSCTS | CREAD | CLOCAL;

std::uint32_t SizeFlag(std::uint8_t bits) {
  switch (bits) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

std::uint32_t ParityFlags(std::uint8_t parity) {
  switch (parity) {
    case 1:
      return PARENB | PARODD;  // odd
    case 2:
      return PARENB;  // even
    case 3:
      return PARENB | CMSPAR | PARODD;  // mark: the bit is always 1
    case 4:
      return PARENB | CMSPAR;  // space: always 0
    default:
      return 0;
  }
}

}  // namespace

std::int32_t MapDcbToLine(const DCB& dcb, LineSettings* line, ModemOutputs* outputs) {
  if (const std::int32_t error = ValidateDcb(dcb)) return error;
  if (dcb.fDtrControl == 2 || dcb.fRtsControl == 3 || dcb.fOutxDsrFlow) return EINVAL;
  if (dcb.fRtsControl == 2 && !dcb.fOutxCtsFlow) return EINVAL;

  // Parity errors and breaks arrive marked in the byte stream (PARMRK) for
  // the device layer to count, replace or report.
  line->iflag &= ~kInputFlags;
  line->iflag |= PARMRK;
  if (dcb.fParity) line->iflag |= INPCK;
  if (dcb.fOutX) line->iflag |= IXON;
  if (dcb.fInX) line->iflag |= IXOFF;
  line->oflag &= ~static_cast<std::uint32_t>(OPOST);
  line->lflag &= ~kLocalFlags;

  line->cflag &= ~(kFrameFlags | CSTOPB | CRTSCTS);
  line->cflag |= CREAD | CLOCAL | SizeFlag(dcb.ByteSize) | ParityFlags(dcb.Parity);
  if (dcb.StopBits != 0) line->cflag |= CSTOPB;  // 1.5 with 5 data bits, else 2
  if (dcb.fOutxCtsFlow) line->cflag |= CRTSCTS;

  line->cc[VMIN] = 1;  // a read of an empty queue is EAGAIN, never 0
  line->cc[VTIME] = 0;
  line->cc[VSTART] = dcb.XonChar;
  line->cc[VSTOP] = dcb.XoffChar;
  line->rate = dcb.BaudRate;

  outputs->dtr = dcb.fDtrControl == 1;
  outputs->rts = dcb.fRtsControl == 1;
  outputs->rtsDriven = dcb.fRtsControl != 2;
  return 0;
}

DCB DcbFromLine(const LineSettings& line) {
  DCB dcb = OpeningDcb(line);
  dcb.fParity = (line.iflag & INPCK) != 0;
  dcb.fOutX = (line.iflag & IXON) != 0;
  dcb.fInX = (line.iflag & IXOFF) != 0;
  dcb.XonChar = line.cc[VSTART];
  dcb.XoffChar = line.cc[VSTOP];
  if (line.cflag & CRTSCTS) {
    dcb.fOutxCtsFlow = true;
    dcb.fRtsControl = 2;
  }
  return dcb;
}

DCB OpeningDcb(const LineSettings& line) {
  DCB dcb;
  dcb.DCBlength = 28;
  dcb.BaudRate = line.rate != 0 ? line.rate : 9600;
  dcb.fBinary = true;
  dcb.fDtrControl = 1;
  dcb.fRtsControl = 1;
  dcb.XonLim = 2048;
  dcb.XoffLim = 512;
  switch (line.cflag & CSIZE) {
    case CS5:
      dcb.ByteSize = 5;
      break;
    case CS6:
      dcb.ByteSize = 6;
      break;
    case CS7:
      dcb.ByteSize = 7;
      break;
    default:
      dcb.ByteSize = 8;
      break;
  }
  if (line.cflag & PARENB) {
    const bool odd = (line.cflag & PARODD) != 0;
    dcb.Parity = (line.cflag & CMSPAR) ? (odd ? 3 : 4) : (odd ? 1 : 2);
  }
  if (line.cflag & CSTOPB) dcb.StopBits = dcb.ByteSize == 5 ? 1 : 2;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

bool RunsAsAsked(const LineSettings& asked, const LineSettings& actual, bool virtualLine) {
  const std::uint32_t cflags = kControlFlags | (virtualLine ? 0 : kFrameFlags);
  if ((asked.iflag ^ actual.iflag) & kInputFlags) return false;
  if ((asked.oflag ^ actual.oflag) & OPOST) return false;
  if ((asked.lflag ^ actual.lflag) & kLocalFlags) return false;
  if ((asked.cflag ^ actual.cflag) & cflags) return false;
  for (const int index : {VMIN, VTIME, VSTART, VSTOP}) {
    if (asked.cc[index] != actual.cc[index]) return false;
  }
  const std::uint64_t diff =
      asked.rate > actual.rate ? asked.rate - actual.rate : actual.rate - asked.rate;
  return diff * 100 <= std::uint64_t{asked.rate} * 3;
}

}  // namespace comm::posix
