// The console's control events stand for the signals: Ctrl+C for SIGINT,
// Ctrl+Break, closing the console, logging off and shutting down for SIGTERM.
// The handler runs on a thread of the system's; it only records the signal
// and sets the event that the helper waits on.
#include "tools/cli/LoopStop.h"

#include <windows.h>

#include <algorithm>
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

TLoopStop::TLoopStop() {
  const HANDLE signals = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (signals == nullptr) Fail("CreateEventA");
  const HANDLE wake = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (wake == nullptr) {
    ::CloseHandle(signals);
    Fail("CreateEventA");
  }
  FSignals = reinterpret_cast<std::intptr_t>(signals);
  FWake = reinterpret_cast<std::intptr_t>(wake);
  controlSignal.store(0);
  controlEvent.store(signals);
  if (!::SetConsoleCtrlHandler(OnConsoleControl, TRUE)) {
    controlEvent.store(nullptr);
    ::CloseHandle(wake);
    ::CloseHandle(signals);
    Fail("SetConsoleCtrlHandler");
  }
}

TLoopStop::~TLoopStop() {
  Finish();
  controlEvent.store(nullptr);
  ::CloseHandle(AsHandle(FWake));
  ::CloseHandle(AsHandle(FSignals));
}

void TLoopStop::Start(std::optional<TClock::time_point> deadline, std::function<void()> stop,
                      std::function<void()> ring) {
  Finish();
  FHelper = std::thread([this, deadline, stop = std::move(stop), ring = std::move(ring)] {
    Watch(deadline, stop, ring);
  });
}

void TLoopStop::WakeHelper() {
  ::SetEvent(AsHandle(FWake));  // auto-reset: the helper's wait takes it
}

void TLoopStop::Finish() {
  if (!FHelper.joinable()) return;
  FFinishing.store(true);
  WakeHelper();
  FHelper.join();
  FFinishing.store(false);
  ::ResetEvent(AsHandle(FWake));  // an alarm's wake-up the helper did not take
}

void TLoopStop::Watch(std::optional<TClock::time_point> deadline, const std::function<void()>& stop,
                      const std::function<void()>& ring) {
  const HANDLE handles[2] = {AsHandle(FSignals), AsHandle(FWake)};
  for (;;) {
    DWORD timeout = INFINITE;
    if (const auto until = WakeAt(deadline)) {
      const auto left = std::max(TClock::duration::zero(), *until - TClock::now());
      // Rounded up, so that the wait never ends before the deadline.
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
      timeout = static_cast<DWORD>(std::min<long long>(ms, INFINITE - 1));
    }
    const DWORD woken = ::WaitForMultipleObjects(2, handles, FALSE, timeout);
    if (woken == WAIT_OBJECT_0 + 1) {
      if (FFinishing.load()) return;  // finished from outside
      continue;                       // the alarm moved: wait for its new time
    }
    if (woken == WAIT_OBJECT_0) {
      FSignal.store(controlSignal.load());
      stop();
      return;
    }
    const auto now = TClock::now();
    if (woken == WAIT_TIMEOUT && deadline && now >= *deadline) {
      stop();
      return;
    }
    if (woken == WAIT_TIMEOUT && TakeAlarm(now) && ring) ring();
    if (woken == WAIT_FAILED) {  // cannot wait any more: end the loop rather than leave it hanging
      stop();
      return;
    }
  }
}
