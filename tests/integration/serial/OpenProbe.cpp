// Tries to open the device named on the command line, as another program
// would; the exit status is 0 or the error number. With "--cause UID PATH"
// (run as root), it tries as user UID and prints why the open failed.
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/serial/CommDevice.h"
#include "platform/serial/OpenFailure.h"

namespace {

int PrintCauseAs(uid_t uid, const char* name) {
  const passwd* user = getpwuid(uid);  // the user, with only its primary group
  if (user == nullptr || setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 ||
      setuid(uid) != 0) {
    std::puts("cannot become that user");
    return 254;
  }
  if (comm::Device::Open(name).Valid()) return 0;
  std::puts(comm::OpenFailureCause(name, comm::GetLastError()).c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--cause") {
    return PrintCauseAs(static_cast<uid_t>(std::atoi(argv[2])), argv[3]);
  }
  if (argc != 2) return 255;
  comm::Device device = comm::Device::Open(argv[1]);
  if (!device.Valid()) return comm::GetLastError();
  device.CloseHandle();
  return 0;
}
