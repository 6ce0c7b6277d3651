// Tries to open the device named on the command line, as another program
// would; the exit status is 0 or the error number.
#include "platform/serial/CommDevice.h"

int main(int argc, char** argv) {
  if (argc != 2) return 255;
  comm::Device device = comm::Device::Open(argv[1]);
  if (!device.Valid()) return comm::GetLastError();
  device.CloseHandle();
  return 0;
}
