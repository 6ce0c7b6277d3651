// The event thread: its loop over the device wait, and its end.
#include "serial/ComThread.h"

#include <utility>

#include "platform/serial/SystemErrorNumbers.h"

TComThread::TComThread(TComWaitPort port)
    : TComDeviceWait(std::move(port)), TThread(/*createSuspended=*/true) {
  ++FThreadCount;
  FStopEvent = comm::Event::Create(/*manualReset=*/true, /*initialState=*/false);
  SetPriority(tpNormal);
  Resume();
}

TComThread::~TComThread() {
  Stop();
  if (!IsCurrent()) WaitFor();
  --FThreadCount;
}

void TComThread::Stop() {
  FStopEvent.Set();
  comm::Sleep(0);
}

void TComThread::Abandon() {
  FAbandoned = true;
  Stop();
}

void TComThread::Execute() {
  FThreadId = std::this_thread::get_id();
  tOnEventThread = true;
  // The body's own reference to the stop event; it lets go of it when the
  // loop has ended.
  comm::Event stopEvent = FStopEvent;

  std::int32_t waitError = 0;
  try {
    waitError = RunLoop();
  } catch (...) {
    // Nothing in the loop raises (hand-over failures are shown there); the
    // clean-up below runs however the loop ended.
  }
  ReleaseDevice();
  stopEvent.Close();
  Report(waitError);
  // Given up by its port: the thread frees itself, here, and ends alone
  // (nothing of this object is touched after this). Freed so, it needs
  // nobody's loop to go: a program whose loop ended with the last report
  // still lets every thread go.
  if (FAbandoned) delete this;
}

std::int32_t TComThread::RunLoop() {
  const comm::Event& stopEvent = FStopEvent;
  for (;;) {
    if (const std::int32_t error = Arm()) return error;
    const std::uint32_t woken =
        comm::WaitForMultipleObjects({&stopEvent, &FOverlapped.hEvent}, INFINITE);
    if (woken == WAIT_OBJECT_0) return 0;  // stopped
    // A sleep that fails would fail again: the loop ends with its error.
    if (woken != WAIT_OBJECT_0 + 1) {
      const std::int32_t error = comm::GetLastError();
      return error != 0 ? error : comm::kErrInvalidArgument;
    }
    std::int32_t gone = 0;
    if (TakeBatch(&gone)) {
      DeliverEvents();
      if (stopEvent.IsSet()) return 0;
      if (FLostError != 0) return FLostError;
    } else if (gone != 0) {
      return gone;
    }
  }
}
