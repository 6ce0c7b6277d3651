// The kernel's termios2 interface, which carries any rate (BOTHER). Its
// header clashes with glibc's <termios.h>, so this file is the only one that
// includes it.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/serial/posix/LineSettings.h"

namespace comm::posix {

namespace {

static_assert(sizeof(LineSettings::cc) == NCCS, "the kernel's termios2 has 19 control characters");

constexpr std::pair<std::uint32_t, tcflag_t> kRateCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

tcflag_t RateCode(std::uint32_t rate) {
  for (const auto& [value, code] : kRateCodes) {
    if (value == rate) return code;
  }
  return BOTHER;
}

}  // namespace

std::int32_t ReadLineSettings(int fd, LineSettings* settings) {
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
  settings->iflag = t.c_iflag;
  settings->oflag = t.c_oflag;
  settings->cflag = t.c_cflag;
  settings->lflag = t.c_lflag;
  settings->line = t.c_line;
  std::memcpy(settings->cc.data(), t.c_cc, NCCS);
  settings->rate = t.c_ospeed;
  return 0;
}

std::int32_t WriteLineSettings(int fd, const LineSettings& settings) {
  termios2 t{};
  t.c_iflag = settings.iflag;
  t.c_oflag = settings.oflag;
  // The input rate follows the output rate (input code bits 0).
  t.c_cflag = (settings.cflag & ~(CBAUD | (CBAUD << IBSHIFT))) | RateCode(settings.rate);
  t.c_lflag = settings.lflag;
  t.c_line = settings.line;
  std::memcpy(t.c_cc, settings.cc.data(), NCCS);
  t.c_ispeed = settings.rate;
  t.c_ospeed = settings.rate;
  if (::ioctl(fd, TCSETS2, &t) != 0) return errno;
  return 0;
}

}  // namespace comm::posix
