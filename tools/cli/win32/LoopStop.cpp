// The console's control events stand for the signals: Ctrl+C for SIGINT,
// Ctrl+Break, closing the console, logging off and shutting down for SIGTERM.
// The handler runs on a thread of the system's; it only records the signal
// and sets the event that the loop sleeps on.
#include "tools/cli/LoopStop.h"

#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/runtime/SysUtils.h"

namespace {

// The handler has no context of its own: the one TLoopStop's event.
std::atomic<HANDLE> controlEvent{nullptr};
std::atomic<int> controlSignal{0};

BOOL WINAPI OnConsoleControl(DWORD type) {
  const HANDLE event = controlEvent.load();
  if (event != nullptr) {
    controlSignal.store(type == CTRL_C_EVENT ? SIGINT : SIGTERM);
    ::SetEvent(event);
  }
  // Handled, also after the TLoopStop is gone: the program ends in order.
  return TRUE;
}

[[noreturn]] void Fail(const char* call) {
  const DWORD error = ::GetLastError();
  throw Exception(std::string(call) + " failed (error " + IntToStr(static_cast<int>(error)) + ")");
}

HANDLE AsHandle(std::intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

}  // namespace

std::intptr_t TLoopStop::OpenSignals() {
  // Manual reset: once a control event came, every later wait sees it.
  const HANDLE signals = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (signals == nullptr) Fail("CreateEventA");
  controlSignal.store(0);
  controlEvent.store(signals);
  if (!::SetConsoleCtrlHandler(OnConsoleControl, TRUE)) {
    controlEvent.store(nullptr);
    ::CloseHandle(signals);
    Fail("SetConsoleCtrlHandler");
  }
  return reinterpret_cast<std::intptr_t>(signals);
}

void TLoopStop::CloseSignals(std::intptr_t signals) {
  controlEvent.store(nullptr);
  ::CloseHandle(AsHandle(signals));
}

int TLoopStop::TakeSignal(std::intptr_t signals) {
  if (::WaitForSingleObject(AsHandle(signals), 0) != WAIT_OBJECT_0) return 0;
  return controlSignal.load();
}
