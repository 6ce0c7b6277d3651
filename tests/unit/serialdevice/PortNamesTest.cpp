#include <gtest/gtest.h>

#include <cerrno>

#include "platform/serial/posix/PortNames.h"

namespace comm::posix {
namespace {

std::string Path(const std::string& name) {
  std::string path;
  EXPECT_EQ(ResolvePortPath(name, &path), 0) << name;
  return path;
}

TEST(PortNames, ComNumbersCountFromTheFirstSerialPort) {
  EXPECT_EQ(Path("COM1"), "/dev/ttyS0");
  EXPECT_EQ(Path("COM10"), "/dev/ttyS9");
  EXPECT_EQ(Path("com3"), "/dev/ttyS2");
}

TEST(PortNames, OtherNamesAreLookedUpUnderDev) {
  EXPECT_EQ(Path("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(Path("pts/3"), "/dev/pts/3");
  EXPECT_EQ(Path("COM0"), "/dev/COM0");  // there is no port 0
  EXPECT_EQ(Path("COM1A"), "/dev/COM1A");
}

TEST(PortNames, AbsolutePathsAreTakenAsTheyAre) {
  EXPECT_EQ(Path("/dev/pts/7"), "/dev/pts/7");
}

TEST(PortNames, EmptyNamesAndClimbingOutOfDevAreRefused) {
  std::string path;
  EXPECT_EQ(ResolvePortPath("", &path), ENOENT);
  EXPECT_EQ(ResolvePortPath("../etc/passwd", &path), EINVAL);
  EXPECT_EQ(ResolvePortPath("pts/../../etc/passwd", &path), EINVAL);
  EXPECT_EQ(Path("..x"), "/dev/..x");
}

}  // namespace
}  // namespace comm::posix
