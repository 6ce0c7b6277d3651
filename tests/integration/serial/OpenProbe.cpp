// Opens the device named on the command line as another program would.
//   serial_open_probe PATH               the exit status is 0 or the error number
//   serial_open_probe --cause UID PATH   as user UID (run as root), prints why the
//                                        open failed
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/serial/CommDevice.h"
#include "platform/serial/OpenFailure.h"

int main(int argc, char** argv) {
  if (argc == 2) {
    comm::Device device = comm::Device::Open(argv[1]);
    if (!device.Valid()) return comm::GetLastError();
    device.CloseHandle();
    return 0;
  }
  if (argc != 4 || std::string(argv[1]) != "--cause") return 255;
  // That user, with only the user's primary group.
  const auto uid = static_cast<uid_t>(std::atoi(argv[2]));
  const passwd* user = getpwuid(uid);
  if (user == nullptr || setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 ||
      setuid(uid) != 0) {
    std::puts("cannot become that user");
    return 254;
  }
  if (comm::Device::Open(argv[3]).Valid()) return 0;
  std::puts(comm::OpenFailureCause(argv[3], comm::GetLastError()).c_str());
  return 1;
}
