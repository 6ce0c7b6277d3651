// The device wait and the hand-over of each batch, shared by both ways of
// waiting; which way a port waits is decided here.
#include "serial/ComEventWait.h"

#include <utility>

#include "platform/runtime/Application.h"
#include "platform/runtime/LoopSources.h"
#include "platform/runtime/Threads.h"
#include "platform/serial/SystemErrorNumbers.h"
#include "serial/ComLoopWait.h"
#include "serial/ComThread.h"

bool TComEventWait::CanWaitInMainLoop(const TComWaitPort& port) {
  return port.WaitInMainLoop && port.SyncMethod == smThreadSync && MainThread::IsCurrent() &&
         MainThread::SourcesServed();
}

std::unique_ptr<TComEventWait> TComEventWait::Start(TComWaitPort port) {
  if (CanWaitInMainLoop(port)) return std::make_unique<TComLoopWait>(std::move(port));
  return std::make_unique<TComThread>(std::move(port));
}

int TComEventWait::Count() {
  return TComDeviceWait::FCount.load();
}

int TComEventWait::ThreadCount() {
  return FThreadCount.load();
}

TComDeviceWait::TComDeviceWait(TComWaitPort port)
    : FPort(std::move(port)),
      FReportsHere(FPort.SyncMethod == smNone && !MainThread::IsCurrent()) {
  ++FCount;
  FOverlapped.hEvent = comm::Event::Create(/*manualReset=*/true, /*initialState=*/true);
  // The mask is set here and nowhere else; its result is not examined.
  FPort.Device.SetCommMask(EventSetToMask(FPort.Events));
}

TComDeviceWait::~TComDeviceWait() {
  ReleaseDevice();
  --FCount;
}

std::int32_t TComDeviceWait::Arm() {
  if (!FPort.Device.WaitCommEvent(&FMask, &FOverlapped)) {
    const std::int32_t error = comm::GetLastError();
    if (error != ERROR_IO_PENDING) return error;
    FWaitPending = true;
  }
  return 0;
}

bool TComDeviceWait::TakeBatch(std::int32_t* error) {
  FWaitPending = false;
  *error = 0;
  comm::DWORD unused = 0;
  if (FPort.Device.GetOverlappedResult(&FOverlapped, &unused, false)) {
    FPendingEvents = MaskToEventSet(FMask);
    return true;
  }
  // Nothing to deliver. A device that is gone ends the wait; any other
  // failure arms the next one.
  const std::int32_t failed = comm::GetLastError();
  if (comm::IsDeviceGoneError(failed)) *error = failed;
  return false;
}

void TComDeviceWait::ReleaseDevice() {
  if (FReleased.exchange(true)) return;
  // Clearing the mask releases a wait that is still pending; the block and
  // the mask stay valid until it has been.
  FPort.Device.SetCommMask(0);
  if (FWaitPending) comm::WaitForSingleObject(FOverlapped.hEvent, INFINITE);
  FWaitPending = false;
  FPort.Device.PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR);
  FOverlapped.hEvent.Close();
}

// Hand-over ------------------------------------------------------------------------

void TComDeviceWait::DeliverEvents() {
  try {
    switch (FPort.SyncMethod) {
      case smThreadSync:
        RunOnMain([this] { CallHandlers(); });
        break;
      case smWindowSync:
        SendToWindow();
        break;
      case smNone:
        CallHandlers();
        break;
      case smDisableEvents:
        break;
    }
  } catch (const EComPortExt& error) {
    // Only the port's own device calls tell that its device is gone.
    if (comm::IsDeviceGoneError(error.SystemErrorCode()) && FPort.OwnDeviceGone()) {
      FLostError = error.SystemErrorCode();
    } else {
      ShowOnMainThread(std::current_exception());
    }
  } catch (...) {
    // A handler that raises ends its batch; the error is shown and the
    // wait goes on serving the port.
    ShowOnMainThread(std::current_exception());
  }
}

void TComDeviceWait::Report(std::int32_t error) {
  if (error == 0 || Stopped()) return;
  if (!comm::IsDeviceGoneError(error)) {
    try {
      throw EComPortExt(FPort.Name, ecWaitFailed, error);
    } catch (...) {
      ShowOnMainThread(std::current_exception());
    }
    return;
  }
  try {
    RunOnOwner([&] {
      // The owner closing the port meanwhile has the last word.
      if (Stopped()) return;
      FPort.DeviceLost(EComPortExt(FPort.Name, ecWaitFailed, error));
      // A handler that closed the port (or freed it) has abandoned the wait.
      if (!FAbandoned) FPort.CloseLost();
    });
  } catch (...) {
    // The port's own steps show what fails in them.
  }
}

void TComDeviceWait::RunOnOwner(const std::function<void()>& call) {
  if (FReportsHere) {
    call();
  } else {
    RunOnMain(call);
  }
}

void TComDeviceWait::CallHandlers() {
  for (TComEvent event : kEventHandlingOrder) {
    if (FAbandoned) return;
    if (FPendingEvents.Contains(event)) FPort.HandleEvent(event);
  }
}

void TComDeviceWait::SendToWindow() {
  for (TComEvent event : kEventHandlingOrder) {
    if (FPendingEvents.Contains(event)) {
      SendMessageA(FPort.NotifyWindow, WM_COMEVENT, EventToFlag(event), 0);
    }
  }
}

void TComDeviceWait::ShowOnMainThread(std::exception_ptr error) {
  TObject* sender = FAbandoned ? nullptr : FPort.Sender;
  try {
    RunOnMain([&] {
      try {
        std::rethrow_exception(error);
      } catch (...) {
        ReportException(sender);
      }
    });
  } catch (...) {
    // Showing failed; there is nobody left to tell.
  }
}
