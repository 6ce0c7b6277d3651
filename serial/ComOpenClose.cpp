// Opening and closing the port as a whole, loading, destruction, and the
// setters that open, close and reopen the port.
#include <mutex>
#include <thread>
#include <utility>

#include "platform/runtime/Application.h"
#include "platform/runtime/Threads.h"
#include "serial/CPort.h"
#include "serial/ComEventWait.h"

void TCustomComPort::Open() {
  if (FConnected) return;
  NotifyBeforeOpen();
  OpenDevice();
  {
    // Errors kept from an earlier session are not this one's.
    std::lock_guard lock(FLineStatusLock);
    FKeptLineErrors = 0;
  }
  FOwnDeviceGone = 0;
  FConnected = true;
  try {
    ApplySettings();
  } catch (...) {
    CloseDevice();
    FConnected = false;
    throw;
  }
  if (FEvents.Empty()) {
    FEventWaitRunning = false;
  } else {
    try {
      if (FSyncMethod == smWindowSync) {
        FNotifyWindow = AllocateHWnd([this](TMessage& message) { NotifyWindowProc(message); });
      }
      FEventWait = TComEventWait::Start(
          TComWaitPort{FDeviceHandle, FEvents, FSyncMethod, FWaitInMainLoop, FNotifyWindow, FPort,
                       this, [this](TComEvent event) { HandleEvent(event); },
                       [this] { return FOwnDeviceGone != 0; },
                       [this](const EComPortExt& error) { DeviceLost(error); },
                       [this] { CloseLost(); }});
      FEventWaitRunning = true;
    } catch (...) {
      // No wait could be started: the port does not stay half open.
      DeallocateHWnd(FNotifyWindow);
      FNotifyWindow = nullptr;
      CloseDevice();
      FConnected = false;
      throw;
    }
  }
  NotifyAfterOpen();
}

void TCustomComPort::Close() {
  if (!BeginClose()) return;
  struct ClosingScope {
    TCustomComPort& port;
    ~ClosingScope() { port.EndClose(); }
  } scope{*this};

  NotifyBeforeClose();
  try {
    AbortPendingIO();
  } catch (const EComPortExt& error) {
    // Nothing can be pending on a device that is gone: closing goes on.
    if (!comm::IsDeviceGoneError(error.SystemErrorCode())) throw;
  }
  ReleaseEventWait();
  CloseDevice();
  FConnected = false;
  NotifyAfterClose();
}

bool TCustomComPort::BeginClose() {
  const std::thread::id self = std::this_thread::get_id();
  const auto idle = [this] { return FClosingThread == std::thread::id(); };
  std::unique_lock lock(FCloseLock);
  if (FClosingThread == self) return false;
  while (!idle()) {
    if (TComEventWait::OnEventThread()) return false;
    if (MainThread::IsCurrent()) {
      // The closer may wait for an event thread that waits for this thread.
      FMainWaitsForClose = true;
      lock.unlock();
      MainThread::WaitUntil([&] {
        std::lock_guard relock(FCloseLock);
        return idle();
      });
      lock.lock();
    } else {
      FCloseEnded.wait(lock, idle);
    }
  }
  if (!FConnected) return false;
  FClosingThread = self;
  return true;
}

void TCustomComPort::EndClose() {
  bool wake = false;
  {
    // Notified under the lock: a waiter that sees the close ended may free
    // the port, condition variable included, as soon as it has the lock.
    std::lock_guard lock(FCloseLock);
    FClosingThread = std::thread::id();
    wake = std::exchange(FMainWaitsForClose, false);
    FCloseEnded.notify_all();
  }
  if (wake) MainThread::Wake();
}

bool TCustomComPort::WaitsInMainLoop() const {
  return FEventWaitRunning && FEventWait != nullptr && FEventWait->InMainLoop();
}

void TCustomComPort::ReleaseEventWait() {
  if (!FEventWaitRunning) return;
  FEventWaitRunning = false;
  if (FEventWait != nullptr) {
    if (FEventWait->InHandOver()) {
      // Closed from inside one of the wait's own hand-overs: it cannot end
      // before this handler returns. It delivers nothing more and frees
      // itself once the hand-over has returned.
      FEventWait.release()->Abandon();
    } else {
      FEventWait.reset();  // stops the wait and waits for a batch under way
    }
  }
  if (FNotifyWindow != nullptr) {
    DeallocateHWnd(FNotifyWindow);
    FNotifyWindow = nullptr;
  }
}

void TCustomComPort::DeviceLost(const EComPortExt& error) {
  if (!FConnected) return;
  try {
    if (!FOnDeviceLost) throw error;
    FireDeviceLost(error);
  } catch (...) {
    ReportException(this);
  }
}

void TCustomComPort::CloseLost() {
  try {
    Close();
  } catch (...) {
    ReportException(this);
  }
}

void TCustomComPort::Loaded() {
  TComponent::Loaded();
  if (!FConnected) return;
  FConnected = false;
  try {
    Open();
  } catch (...) {
    ReportException(this);
  }
}

void TCustomComPort::Shutdown() {
  try {
    Close();
  } catch (...) {
    ReportException(this);
  }
  // Whatever Close could not finish is released all the same.
  ReleaseEventWait();
  CloseDevice();
  FConnected = false;
}

void TCustomComPort::SetConnected(bool value) {
  if (Loading()) {
    FConnected = value;
    return;
  }
  if (value == FConnected) return;
  if (value) {
    Open();
  } else {
    Close();
  }
}

void TCustomComPort::SetPort(const std::string& value) {
  if (value == FPort) return;
  FPort = value;
  if (FConnected && !Loading()) {
    Close();
    Open();
  }
}
