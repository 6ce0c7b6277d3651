// The device-change path on Windows: the system's broadcast that the port
// has arrived reaches the window's watch, and the port opens again.
#include "tests/gui/console/LostDevice.h"
#include "tests/gui/console/win32/DeviceArrival.h"

namespace {

class ConsoleDeviceChange : public console_test::LostDevice {};

TEST_F(ConsoleDeviceChange, TheArrivalOfThePortReopensIt) {
  OpenThenLose();
  ASSERT_TRUE(window->PortRecovery->Waiting());
  device.Plug();
  ASSERT_TRUE(console_test::SendPortArrival(L"lost1"));  // names compare without letter case
  EXPECT_TRUE(Reopened(1)) << window.Log().join('\n').toStdString();
  EXPECT_FALSE(window->PortRecovery->Waiting());
}

}  // namespace
