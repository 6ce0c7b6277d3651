// The serial ports of a Linux machine, from the kernel's tty class
// directory: every entry backed by a device (USB serial and ACM adapters,
// on-board and PCI UARTs) whose node exists under /dev, except the UART
// slots that the 8250 driver registers without hardware behind them.
// Virtual consoles, the console and pseudo-terminals have no device behind
// them and are left out.
#include "platform/serial/PortList.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace comm {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// The whole of a small attribute file: 0, ENOENT when there is none, or the
// error of reading it.
std::int32_t ReadAttribute(const std::string& path, std::string* text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char buffer[64];
  ssize_t got;
  do {
    got = ::read(fd, buffer, sizeof buffer);
  } while (got < 0 && errno == EINTR);
  const std::int32_t error = got < 0 ? errno : 0;
  ::close(fd);
  if (error == 0) text->assign(buffer, static_cast<std::size_t>(got));
  return error;
}

// Whether the entry stands for a serial port: it has a device behind it,
// and, if it is a UART of the serial core, that UART's type is known (the
// "type" attribute of a placeholder slot is 0, PORT_UNKNOWN).
std::int32_t IsSerialPort(const std::string& entry, bool* yes) {
  *yes = false;
  struct stat info {};
  if (::stat((entry + "/device").c_str(), &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
  }
  std::string type;
  const std::int32_t error = ReadAttribute(entry + "/type", &type);
  if (error == ENOENT) {
    *yes = true;  // not a serial-core UART: a USB, ACM or other adapter
    return 0;
  }
  if (error != 0) return error;
  *yes = std::strtol(type.c_str(), nullptr, 10) != 0;
  return 0;
}

// Whether the port's node exists under dev: a port without one (a
// container that does not pass the device in) cannot be opened.
std::int32_t HasNode(const std::string& node, bool* yes) {
  struct stat info {};
  *yes = ::stat(node.c_str(), &info) == 0;
  return *yes || errno == ENOENT || errno == ENOTDIR ? 0 : errno;
}

}  // namespace

std::string DefaultSerialPortSource() {
  return "/";
}

std::int32_t ListSerialPorts(const std::string& source, std::vector<std::string>* names) {
  const std::string root = source.ends_with('/') ? source : source + "/";
  const std::string classDir = root + "sys/class/tty";
  const std::unique_ptr<DIR, DirCloser> dir(::opendir(classDir.c_str()));
  if (!dir) return errno;
  std::vector<std::string> found;
  for (;;) {
    errno = 0;
    const dirent* item = ::readdir(dir.get());
    if (item == nullptr) {
      if (errno != 0) return errno;
      break;
    }
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    bool serial = false;
    if (const std::int32_t error = IsSerialPort(classDir + "/" + name, &serial)) return error;
    if (!serial) continue;
    // A device node in a subdirectory of /dev ("/dev/usb/tts0") is named
    // with '!' for '/' in sysfs; the port name is its path under /dev.
    std::string port = name;
    for (char& c : port) {
      if (c == '!') c = '/';
    }
    bool present = false;
    if (const std::int32_t error = HasNode(root + "dev/" + port, &present)) return error;
    if (present) found.push_back(port);
  }
  names->insert(names->end(), found.begin(), found.end());
  return 0;
}

}  // namespace comm
