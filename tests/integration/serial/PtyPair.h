// A pseudo-terminal pair for tests: the slave is the device under test, the
// master is the far end of its line.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <string_view>

namespace comm::testing {

class PtyPair {
 public:
  PtyPair() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[64] = {};
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0 &&
        ::ptsname_r(master, name, sizeof name) == 0) {
      slavePath = name;
    }
  }
  ~PtyPair() { HangUp(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Ok() const { return master >= 0 && !slavePath.empty(); }
  // "pts/N": the slave's name under /dev.
  std::string SlaveName() const { return slavePath.substr(5); }

  // The far end sends.
  void Write(std::string_view bytes) const {
    std::size_t at = 0;
    while (at < bytes.size()) {
      const ssize_t n = ::write(master, bytes.data() + at, bytes.size() - at);
      if (n <= 0) return;
      at += static_cast<std::size_t>(n);
    }
  }

  // The far end receives count bytes; fewer when nothing comes for 10 s.
  std::string Read(std::size_t count) const {
    std::string bytes;
    while (bytes.size() < count) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 10000) <= 0) break;
      char buffer[4096];
      const ssize_t n = ::read(master, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (n <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
  }

  // The far end goes away: the slave hangs up.
  void HangUp() {
    if (master >= 0) ::close(master);
    master = -1;
  }

  int master = -1;
  std::string slavePath;
};

}  // namespace comm::testing
