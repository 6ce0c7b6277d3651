// The event thread's wait in the main thread's loop. The loop sleeps on the
// device's pending wait among its other waits (and, on a terminal, reads the
// line itself as it wakes); when the wait completes, the loop judges it,
// hands the batch to the handlers right there (the smThreadSync hand-over,
// with the event thread waiting) and arms the next wait. The event thread
// sleeps until the loop gives the wait back: when the port closes, or when
// the device can no longer be waited on, which the thread then reports (a
// device that is gone closes the port).
#include <vector>

#include "platform/runtime/LoopSources.h"
#include "platform/serial/EventWatch.h"
#include "serial/ComThread.h"

// The source the loop serves. It outlives the thread if the loop still holds
// it; once the thread has given the wait back, only the end of a sleep
// prepared before reaches it, and that touches the watch alone.
class TComThread::MainLoopWait : public MainThread::Source {
 public:
  MainLoopWait(TComThread* thread, const comm::Event& event) : FThread(thread), FWatch(event) {}

  bool Prepare(std::vector<MainThread::Waitable>& waitables) override {
    // No wait is armed while a batch is handled, and none is to be armed.
    if (FThread->FLoopDispatching) return true;
    if (!FThread->FWaitArmed) return false;
    switch (FWatch.Prepare(waitables)) {
      case comm::EventWatch::kSleep:
        return true;
      case comm::EventWatch::kSet:
        return false;
      case comm::EventWatch::kFailed:
        FFailed = true;
        return false;
    }
    return false;
  }

  void Finish(const MainThread::Readiness* ready) override {
    FWatch.Finish(reinterpret_cast<const char*>(ready));
  }

  bool Ready() override {
    if (FThread->FLoopDispatching) return false;
    return FFailed || !FThread->FWaitArmed || FWatch.Watched().IsSet();
  }

  void Dispatch() override {
    if (FFailed) {
      // The event thread's own wait would fail too, and end the loop
      // without a word; so does this one.
      FFailed = false;
      FThread->GiveBack(0);
      return;
    }
    FThread->DispatchInMainLoop();
  }

 private:
  TComThread* const FThread;
  comm::EventWatch FWatch;
  bool FFailed = false;
};

void TComThread::LendToMainLoop() {
  FGivenBack = comm::Event::Create(/*manualReset=*/true, /*initialState=*/false);
  FMainLoopWait = std::make_shared<MainLoopWait>(this, FOverlapped.hEvent);
  FLent = true;
  MainThread::AddSource(FMainLoopWait);
  ArmInMainLoop();
}

std::int32_t TComThread::WaitForGiveBack() {
  comm::WaitForSingleObject(FGivenBack, INFINITE);
  return FLoopError;
}

void TComThread::ArmInMainLoop() {
  if (!FPort.Device.WaitCommEvent(&FMask, &FOverlapped)) {
    const std::int32_t error = comm::GetLastError();
    // A wait that cannot even be started would fail the same way again.
    if (error != ERROR_IO_PENDING) return GiveBack(error);
    FWaitPending = true;
  }
  FWaitArmed = true;
}

void TComThread::DispatchInMainLoop() {
  if (!FLent || FLoopDispatching) return;
  if (!FWaitArmed) return ArmInMainLoop();
  if (!FOverlapped.hEvent.IsSet()) return;
  FWaitArmed = false;
  FWaitPending = false;

  comm::DWORD unused = 0;
  if (!FPort.Device.GetOverlappedResult(&FOverlapped, &unused, false)) {
    // Nothing to deliver. A device that is gone ends the loop; any other
    // failure arms the next wait.
    const std::int32_t error = comm::GetLastError();
    if (comm::IsDeviceGoneError(error)) return GiveBack(error);
    return ArmInMainLoop();
  }
  FPendingEvents = MaskToEventSet(FMask);
  FLoopDispatching = true;
  DeliverEvents();  // the smThreadSync hand-over, here on the main thread
  FLoopDispatching = false;
  // Stopped from a handler (the port closed): the wait goes back now. A
  // handler that met the device gone leaves the one report to the thread.
  if (FStopEvent.IsSet()) return GiveBack(0);
  if (FLostError != 0) return GiveBack(FLostError);
  ArmInMainLoop();
}

void TComThread::GiveBack(std::int32_t error) {
  FLoopError = error;
  FLent = false;
  MainThread::RemoveSource(FMainLoopWait.get());
  // Last: the body owns the wait from here on, and may free this object
  // (the event with it) as soon as the set is seen.
  const comm::Event givenBack = FGivenBack;
  givenBack.Set();
}

void TComThread::TakeBackFromMainLoop() {
  if (!FLent) return;
  if (!MainThread::IsCurrent()) {
    // Stopped from another thread: the wait is the main thread's to give.
    SynchronizeCall([this] { TakeBackFromMainLoop(); });
    return;
  }
  // A batch under way gives the wait back as it ends.
  if (!FLoopDispatching) GiveBack(0);
}
