#include "tests/gui/console/win32/DeviceArrival.h"

#include <windows.h>
// After windows.h:
#include <dbt.h>

namespace console_test {

bool SendPortArrival(const wchar_t* port) {
  const HWND watch = ::FindWindowW(L"DispenserDeviceWatch", nullptr);
  if (watch == nullptr) return false;
  struct {
    DEV_BROADCAST_PORT_W header;
    wchar_t rest[32];
  } arrival{};
  arrival.header.dbcp_size = sizeof arrival;
  arrival.header.dbcp_devicetype = DBT_DEVTYP_PORT;
  ::lstrcpynW(arrival.header.dbcp_name, port, 32);
  ::SendMessageW(watch, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&arrival));
  return true;
}

}  // namespace console_test
