// The device watch on Linux, on a folder of the test's own. The kernel queues
// each change as it is made: every Dispatch finds what came before it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/serial/DeviceWatch.h"

namespace fs = std::filesystem;

namespace {

TEST(DeviceWatch, TellsOnceWhenThePathComesBackAndNothingForOtherNames) {
  const struct {
    const char* port;
    std::function<void(const fs::path&)> comeBack;
  } cases[] = {
      // A restarted simulator renames a new link over the old one.
      {"link",
       [](const fs::path& dir) {
         fs::create_symlink("/dev/null", dir / "link.new");
         fs::rename(dir / "link.new", dir / "link");
       }},
      // A device manager's folder of links comes back with the device.
      {"by-id/usb/adapter",
       [](const fs::path& dir) {
         fs::create_directories(dir / "by-id/usb");
         std::ofstream(dir / "by-id/usb/adapter").put('x');
       }},
  };
  const fs::path dir = fs::temp_directory_path() / ("device-watch-" + std::to_string(getpid()));
  for (const auto& c : cases) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    int told = 0;
    std::int32_t error = 0;
    auto watch = comm::DeviceWatch::Start((dir / c.port).string(), [&] { ++told; }, &error);
    ASSERT_NE(watch, nullptr) << error;
    std::ofstream(dir / "other").put('x');
    watch->Dispatch();
    EXPECT_EQ(told, 0) << c.port;
    c.comeBack(dir);
    watch->Dispatch();
    EXPECT_EQ(told, 1) << c.port;
  }
  fs::remove_all(dir);
}

}  // namespace
