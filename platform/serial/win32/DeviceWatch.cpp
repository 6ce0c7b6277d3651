// The device watch on Windows: a hidden top-level window of its own on the
// thread that starts the watch. It hears the system's broadcast of a serial
// port arriving (DBT_DEVTYP_PORT, with the port's name) and, registered for
// the serial port device interface, the arrival of any port's interface
// (USB adapters announce themselves so). The thread's message loop (the
// toolkit's) delivers both to the window's procedure.
#include "platform/serial/DeviceWatch.h"

#include <windows.h>
// After windows.h:
#include <dbt.h>

#include <cctype>

namespace comm {

namespace {

constexpr wchar_t kWindowClass[] = L"DispenserDeviceWatch";

// The serial port device interface (GUID_DEVINTERFACE_COMPORT of the
// driver kit's ntddser.h, which needs the kit's own types).
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

// Port names compare without letter case, as Windows compares them.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The error of a call that just failed. Some fail without one (Wine creates
// no top-level window without a display), which must not read as success.
std::int32_t FailedCall() {
  const DWORD error = ::GetLastError();
  return static_cast<std::int32_t>(error != 0 ? error : ERROR_NOT_SUPPORTED);
}

class WindowWatch final : public DeviceWatch {
 public:
  WindowWatch(std::string name, std::function<void()> changed)
      : name_(std::move(name)), changed_(std::move(changed)) {}
  ~WindowWatch() override {
    if (notification_ != nullptr) ::UnregisterDeviceNotification(notification_);
    if (window_ != nullptr) ::DestroyWindow(window_);
  }

  std::int32_t Create() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &WindowWatch::Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    if (::RegisterClassW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      return static_cast<std::int32_t>(::GetLastError());
    }
    // Top-level (never shown), since only such windows hear the broadcast.
    ::SetLastError(0);
    window_ = ::CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr);
    if (window_ == nullptr) return FailedCall();
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    ::SetLastError(0);
    notification_ = ::RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (notification_ == nullptr) return FailedCall();
    return 0;
  }

  int Descriptor() const override { return -1; }
  void Dispatch() override {}

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE && wParam == DBT_DEVICEARRIVAL && lParam != 0) {
      auto* self = reinterpret_cast<WindowWatch*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self != nullptr) self->Arrived(*reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
      return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  void Arrived(const DEV_BROADCAST_HDR& header) {
    if (header.dbch_devicetype == DBT_DEVTYP_PORT) {
      // The broadcast names the port (in the wide form: the window is one).
      if (!SameName(PortName(header), name_)) return;
    } else if (header.dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
      return;
    }
    changed_();
  }

  // "COM3": port names are ASCII.
  static std::string PortName(const DEV_BROADCAST_HDR& header) {
    const auto& port = reinterpret_cast<const DEV_BROADCAST_PORT_W&>(header);
    std::string narrow;
    for (const wchar_t* c = port.dbcp_name; *c != L'\0' && narrow.size() < 64; ++c) {
      narrow += *c < 128 ? static_cast<char>(*c) : '?';
    }
    return narrow;
  }

  std::string name_;
  std::function<void()> changed_;
  HWND window_ = nullptr;
  HDEVNOTIFY notification_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceWatch> DeviceWatch::Start(const std::string& name,
                                                std::function<void()> changed,
                                                std::int32_t* error) {
  auto watch = std::make_unique<WindowWatch>(name, std::move(changed));
  if ((*error = watch->Create()) != 0) return nullptr;
  return watch;
}

}  // namespace comm
