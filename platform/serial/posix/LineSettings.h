// A terminal's settings as the kernel keeps them (the termios2 block): the
// four flag words, the control characters and one rate in bits per second
// for both directions. Neutral about which termios header defines the flag
// names, so the arbitrary-rate code can live apart from <termios.h>.
#pragma once

#include <array>
#include <cstdint>

namespace comm::posix {

struct LineSettings {
  std::uint32_t iflag = 0;
  std::uint32_t oflag = 0;
  std::uint32_t cflag = 0;  // includes the kernel's rate code bits
  std::uint32_t lflag = 0;
  std::uint8_t line = 0;
  std::array<std::uint8_t, 19> cc{};  // indexed by VMIN, VSTART, ... as in <termios.h>
  std::uint32_t rate = 0;
};

// TCGETS2 / TCSETS2 (immediately). A rate of the kernel's table is written
// with its code; any other rate with BOTHER. 0 or the errno.
std::int32_t ReadLineSettings(int fd, LineSettings* settings);
std::int32_t WriteLineSettings(int fd, const LineSettings& settings);

}  // namespace comm::posix
