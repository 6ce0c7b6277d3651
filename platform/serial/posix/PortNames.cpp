#include "platform/serial/posix/PortNames.h"

#include <cerrno>

namespace comm::posix {

namespace {

// n of "COMn" (any letter case, n from 1 to 4096), or 0.
unsigned ComNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 7) return 0;
  for (int i = 0; i < 3; ++i) {
    if ((name[i] & ~0x20) != "COM"[i]) return 0;
  }
  if (name[3] == '0') return 0;
  unsigned n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    n = n * 10 + static_cast<unsigned>(name[i] - '0');
  }
  return n <= 4096 ? n : 0;
}

bool ClimbsUp(const std::string& name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0 && end - start == 2) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::int32_t ResolvePortPath(const std::string& name, std::string* path) {
  if (name.empty()) return ENOENT;
  if (name.front() == '/') {
    *path = name;
    return 0;
  }
  if (const unsigned n = ComNumber(name)) {
    *path = "/dev/ttyS" + std::to_string(n - 1);
    return 0;
  }
  if (ClimbsUp(name)) return EINVAL;
  *path = "/dev/" + name;
  return 0;
}

}  // namespace comm::posix
