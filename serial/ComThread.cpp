// The event thread: the device wait, the loop, its clean-up, and the
// hand-over of each batch of events to the port.
#include "serial/ComThread.h"

#include <utility>

#include "platform/runtime/Application.h"
#include "platform/runtime/LoopSources.h"
#include "platform/serial/SystemErrorNumbers.h"
#include "serial/ComErrors.h"

// Creation and destruction -----------------------------------------------------

TComThread::TComThread(TComThreadPort port)
    : TThread(/*createSuspended=*/true), FPort(std::move(port)) {
  ++FInstanceCount;
  FStopEvent = comm::Event::Create(/*manualReset=*/true, /*initialState=*/false);
  FOverlapped.hEvent = comm::Event::Create(/*manualReset=*/true, /*initialState=*/true);
  SetPriority(tpNormal);
  // The mask is set here and nowhere else; its result is not examined.
  FPort.Device.SetCommMask(EventSetToMask(FPort.Events));
  // The main thread's loop takes the wait where it can: made on the main
  // thread, for handlers that run there, in a loop that serves sources.
  FInMainLoop = FPort.WaitInMainLoop && FPort.SyncMethod == smThreadSync &&
                MainThread::IsCurrent() && MainThread::SourcesServed();
  FReportsHere = FPort.SyncMethod == smNone && !MainThread::IsCurrent();
  if (FInMainLoop) LendToMainLoop();
  Resume();
}

TComThread::~TComThread() {
  Stop();
  if (!IsCurrent()) WaitFor();
  --FInstanceCount;
}

void TComThread::Stop() {
  FStopEvent.Set();
  if (FInMainLoop) TakeBackFromMainLoop();
  comm::Sleep(0);
}

void TComThread::Abandon() {
  FAbandoned = true;
  Stop();
}

// The thread body ----------------------------------------------------------------

void TComThread::Execute() {
  FThreadId = std::this_thread::get_id();
  tOnEventThread = true;
  // The body's own reference to the stop event; it lets go of it when the
  // loop has ended.
  comm::Event stopEvent = FStopEvent;

  std::int32_t waitError = 0;
  try {
    waitError = FInMainLoop ? WaitForGiveBack() : RunLoop();
  } catch (...) {
    // Nothing in the loop raises (hand-over failures are shown there); the
    // clean-up below runs however the loop ended.
  }

  // Clean-up, whatever ended the loop. Clearing the mask releases a wait that
  // is still pending; the block and the mask stay valid until it has been.
  FPort.Device.SetCommMask(0);
  if (FWaitPending) comm::WaitForSingleObject(FOverlapped.hEvent, INFINITE);
  FPort.Device.PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR);
  FOverlapped.hEvent.Close();
  stopEvent.Close();

  // A device that can no longer be waited on (gone, or refusing to start a
  // wait) is reported once, unless the port was being closed. A device that
  // is gone also closes the port.
  if (waitError != 0 && !FStopEvent.IsSet()) {
    if (comm::IsDeviceGoneError(waitError)) {
      ReportLoss(waitError);
    } else {
      try {
        throw EComPortExt(FPort.Name, ecWaitFailed, waitError);
      } catch (...) {
        ShowOnMainThread(std::current_exception());
      }
    }
  }
  // Given up by its port: the thread frees itself, here, and ends alone
  // (nothing of this object is touched after this). Freed so, it needs
  // nobody's loop to go: a program whose loop ended with the last report
  // still lets every thread go.
  if (FAbandoned) delete this;
}

std::int32_t TComThread::RunLoop() {
  const comm::Event& stopEvent = FStopEvent;
  for (;;) {
    if (!FPort.Device.WaitCommEvent(&FMask, &FOverlapped)) {
      const std::int32_t error = comm::GetLastError();
      // A wait that cannot even be started would fail the same way again.
      if (error != ERROR_IO_PENDING) return error;
      FWaitPending = true;
    }
    const std::uint32_t woken =
        comm::WaitForMultipleObjects({&stopEvent, &FOverlapped.hEvent}, INFINITE);
    if (woken == WAIT_OBJECT_0) return 0;  // stopped
    // A sleep that fails would fail again: the loop ends with its error.
    if (woken != WAIT_OBJECT_0 + 1) return SleepError();
    FWaitPending = false;

    comm::DWORD unused = 0;
    if (FPort.Device.GetOverlappedResult(&FOverlapped, &unused, false)) {
      FPendingEvents = MaskToEventSet(FMask);
      DeliverEvents();
      if (stopEvent.IsSet()) return 0;
      if (FLostError != 0) return FLostError;
    } else {
      // Nothing to deliver. A device that is gone ends the loop; any other
      // failure arms the next wait.
      const std::int32_t error = comm::GetLastError();
      if (comm::IsDeviceGoneError(error)) return error;
    }
  }
}

std::int32_t TComThread::SleepError() {
  const std::int32_t error = comm::GetLastError();
  return error != 0 ? error : comm::kErrInvalidArgument;
}

// Hand-over ------------------------------------------------------------------------

void TComThread::DeliverEvents() {
  try {
    switch (FPort.SyncMethod) {
      case smThreadSync:
        Synchronize([this] { CallHandlers(); });
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
    // thread keeps serving the port.
    ShowOnMainThread(std::current_exception());
  }
}

void TComThread::ReportLoss(std::int32_t error) {
  auto report = [&] {
    // The owner closing the port meanwhile has the last word.
    if (FStopEvent.IsSet()) return;
    FPort.DeviceLost(EComPortExt(FPort.Name, ecWaitFailed, error));
    // A handler that closed the port (or freed it) has abandoned this thread.
    if (!FAbandoned) FPort.CloseLost();
  };
  try {
    if (FReportsHere) {
      report();
    } else {
      Synchronize(report);
    }
  } catch (...) {
    // The port's own steps show what fails in them.
  }
}

void TComThread::CallHandlers() {
  for (TComEvent event : kEventHandlingOrder) {
    if (FAbandoned) return;
    if (FPendingEvents.Contains(event)) FPort.HandleEvent(event);
  }
}

void TComThread::SendToWindow() {
  for (TComEvent event : kEventHandlingOrder) {
    if (FPendingEvents.Contains(event)) {
      SendMessageA(FPort.NotifyWindow, WM_COMEVENT, EventToFlag(event), 0);
    }
  }
}

void TComThread::ShowOnMainThread(std::exception_ptr error) {
  TObject* sender = FAbandoned ? nullptr : FPort.Sender;
  try {
    Synchronize([&] {
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
