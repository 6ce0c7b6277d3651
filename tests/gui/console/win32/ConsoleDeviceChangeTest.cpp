// The device-change path on Windows: the system's broadcast that a port has
// arrived, sent to the top-level windows as Windows sends it, reaches the
// window's watch and the port opens again.
#include <windows.h>
// After windows.h:
#include <dbt.h>

#include "tests/gui/console/LostDevice.h"

using console_test::LoopUntil;

namespace {

class ConsoleDeviceChange : public console_test::LostDevice {};

TEST_F(ConsoleDeviceChange, TheArrivalOfThePortReopensIt) {
  OpenThenLose();
  ASSERT_TRUE(window->PortRecovery->Waiting());
  device.Plug();
  // The watch's hidden window, which only the device broadcast reaches.
  const HWND watch = ::FindWindowW(L"DispenserDeviceWatch", nullptr);
  ASSERT_NE(watch, nullptr);
  struct {
    DEV_BROADCAST_PORT_W header;
    wchar_t rest[16];
  } arrival{};
  arrival.header.dbcp_size = sizeof arrival;
  arrival.header.dbcp_devicetype = DBT_DEVTYP_PORT;
  ::lstrcpyW(arrival.header.dbcp_name, L"lost1");  // names compare without letter case
  ASSERT_TRUE(::PostMessageW(watch, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                             reinterpret_cast<LPARAM>(&arrival)));
  EXPECT_TRUE(Reopened(1)) << window.Log().join('\n').toStdString();
  EXPECT_FALSE(window->PortRecovery->Waiting());
}

}  // namespace
