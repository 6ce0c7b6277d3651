// Opens the device named on the command line as another program would.
//   serial_open_probe PATH                the exit status is 0 or the error number
//   serial_open_probe --hold PATH         opens it, says "held", keeps it until stdin ends
//   serial_open_probe --cause [--user UID] PATH
//                                         as user UID when given (run as root), prints
//                                         why the open failed; exit status as above
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/serial/CommDevice.h"
#include "platform/serial/OpenFailure.h"

namespace {

// Becomes the user with that uid, with only the user's primary group.
bool BecomeUser(uid_t uid) {
  const passwd* user = getpwuid(uid);
  const gid_t gid = user != nullptr ? user->pw_gid : static_cast<gid_t>(uid);
  return setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0 && getuid() == uid;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) {
    comm::Device device = comm::Device::Open(argv[1]);
    if (!device.Valid()) return comm::GetLastError();
    device.CloseHandle();
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--hold") == 0) {
    comm::Device device = comm::Device::Open(argv[2]);
    if (!device.Valid()) return comm::GetLastError();
    std::puts("held");
    std::fflush(stdout);
    char byte;
    while (read(0, &byte, 1) > 0) {
    }
    device.CloseHandle();
    return 0;
  }
  if ((argc == 3 || argc == 5) && std::strcmp(argv[1], "--cause") == 0) {
    if (argc == 5) {
      if (std::strcmp(argv[2], "--user") != 0) return 255;
      if (!BecomeUser(static_cast<uid_t>(std::atoi(argv[3])))) {
        std::puts("cannot become that user");
        return 254;
      }
    }
    const std::string name = argv[argc - 1];
    comm::Device device = comm::Device::Open(name);
    if (device.Valid()) return 0;
    const std::int32_t error = comm::GetLastError();
    std::puts(comm::OpenFailureCause(name, error).c_str());
    return error;
  }
  return 255;
}
