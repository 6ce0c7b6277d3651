#include "tools/sim/PtyPair.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

ESystemError::ESystemError(const std::string& what, int error)
    : Exception(what + ": " + std::strerror(error) + " (errno " + IntToStr(error) + ")"),
      FErrorCode(error) {}

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw ESystemError(what, errno);
}

}  // namespace

TPtyPair::TPtyPair() {
  FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (FMaster < 0) Fail("posix_openpt");
  try {
    if (grantpt(FMaster) != 0) Fail("grantpt");
    if (unlockpt(FMaster) != 0) Fail("unlockpt");
    char name[PATH_MAX];
    if (const int error = ptsname_r(FMaster, name, sizeof name); error != 0) {
      throw ESystemError("ptsname_r", error);
    }
    FSlavePath = name;
    FSlave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FSlave < 0) Fail("open " + FSlavePath);
    termios settings{};
    if (tcgetattr(FSlave, &settings) != 0) Fail("tcgetattr " + FSlavePath);
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&settings, B9600);
    if (tcsetattr(FSlave, TCSANOW, &settings) != 0) Fail("tcsetattr " + FSlavePath);
  } catch (...) {
    if (FSlave >= 0) close(FSlave);
    close(FMaster);
    throw;
  }
}

TPtyPair::~TPtyPair() {
  close(FSlave);
  close(FMaster);
}

TSlaveLink::TSlaveLink(std::string path, const std::string& target)
    : FPath(std::move(path)), FTarget(target) {
  struct stat existing {};
  if (lstat(FPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    throw ESystemError("--link " + FPath + " is not a symbolic link", EEXIST);
  }
  // A new link under a temporary name, renamed over the path: the path never
  // points nowhere, and an old link from a run that was killed is replaced.
  const std::string temporary = FPath + ".dispenser-sim." + IntToStr(getpid());
  if (symlink(FTarget.c_str(), temporary.c_str()) != 0) Fail("symlink " + temporary);
  if (rename(temporary.c_str(), FPath.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    throw ESystemError("rename " + temporary + " to " + FPath, error);
  }
}

TSlaveLink::~TSlaveLink() {
  char target[PATH_MAX];
  const ssize_t length = readlink(FPath.c_str(), target, sizeof target - 1);
  if (length >= 0 && FTarget == std::string(target, static_cast<std::size_t>(length))) {
    unlink(FPath.c_str());
  }
}

TLineFormat TPtyPair::ProgramFormat() const {
  termios settings{};
  if (tcgetattr(FMaster, &settings) != 0) return kDispenserFormat;
  static constexpr std::pair<speed_t, unsigned> kRates[] = {
      {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
      {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
      {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
      {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
  TLineFormat format;
  const speed_t speed = cfgetospeed(&settings);
  for (const auto& [code, rate] : kRates) {
    if (code == speed) format.BitRate = rate;
  }
  switch (settings.c_cflag & CSIZE) {
    case CS5:
      format.DataBits = 5;
      break;
    case CS6:
      format.DataBits = 6;
      break;
    case CS7:
      format.DataBits = 7;
      break;
    default:
      format.DataBits = 8;
  }
  format.Parity = (settings.c_cflag & PARENB) != 0;
  format.StopHalfBits = (settings.c_cflag & CSTOPB) != 0 ? 4 : 2;
  return format;
}
