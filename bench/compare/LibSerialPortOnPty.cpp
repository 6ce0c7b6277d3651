// libserialport 0.1.1 cannot open a pseudo-terminal by itself: it looks the
// port up in sysfs under its name below /dev (a pty slave, pts/N, has no
// entry there), and sp_open fails when TIOCMGET fails (a pty has no modem
// lines). The probe answers those two questions for it by defining, in the
// program, the calls the library makes for them (a program's own definitions
// come before the C library's): a pty's sysfs entry is looked up as ptmx's,
// and the modem-line calls on a pty succeed with every line off. Reading,
// writing, waiting and the termios settings go to the system untouched.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace {

const char* SysfsPath(const char* path) {
  static constexpr char kPtys[] = "/sys/class/tty/pts/";
  return std::strncmp(path, kPtys, sizeof kPtys - 1) == 0 ? "/sys/class/tty/ptmx" : path;
}

bool IsModemLineCall(unsigned long request) {
  return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

}  // namespace

extern "C" {

int __lxstat(int, const char* path, struct stat* info) {
  return static_cast<int>(
      ::syscall(SYS_newfstatat, AT_FDCWD, SysfsPath(path), info, AT_SYMLINK_NOFOLLOW));
}

ssize_t readlink(const char* __restrict path, char* __restrict target, size_t size) noexcept {
  return ::syscall(SYS_readlinkat, AT_FDCWD, SysfsPath(path), target, size);
}

int ioctl(int fd, unsigned long request, ...) noexcept {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  const long result = ::syscall(SYS_ioctl, fd, request, argument);
  if (result < 0 && errno == ENOTTY && IsModemLineCall(request)) {
    if (request == TIOCMGET) *static_cast<int*>(argument) = 0;
    return 0;
  }
  return static_cast<int>(result);
}

}  // extern "C"
