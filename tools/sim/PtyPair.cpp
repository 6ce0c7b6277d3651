#include "tools/sim/PtyPair.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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
