// The event thread's wait in the main thread's loop. The loop sleeps on the
// device's pending wait among its other waits (and, on a terminal, reads the
// line itself as it wakes); when the wait completes, the loop judges it,
// hands the batch to the handlers right there (the smThreadSync hand-over,
// with the event thread waiting) and arms the next wait. The event thread
// sleeps until the wait is given back: by the loop when the device can no
// longer be waited on, which the thread then reports (a device that is gone
// closes the port), or by a close on any thread. The loop's lock decides who
// holds the wait, so a close needs nothing of the main thread but the end of
// a batch it is handling.
#include <mutex>
#include <utility>
#include <vector>

#include "platform/runtime/LoopSources.h"
#include "platform/serial/EventWatch.h"
#include "serial/ComThread.h"

// The source the loop serves. It outlives the thread if the loop still holds
// it: once the wait is given back, the source forgets the thread, only the
// end of a sleep prepared before reaches its watch, and the loop lets go of
// it at its next round.
class TComThread::MainLoopWait : public MainThread::Source {
 public:
  MainLoopWait(TComThread* thread, const comm::Event& event) : Thread(thread), FWatch(event) {}

  bool Prepare(std::vector<MainThread::Waitable>& waitables) override {
    std::lock_guard lock(Lock);
    if (Thread == nullptr) return false;  // given back: Dispatch lets the source go
    // No wait is armed while a batch is handled, and none is to be armed.
    if (Thread->FLoopDispatching) return true;
    if (!Thread->FWaitArmed) return false;
    switch (FWatch.Prepare(waitables)) {
      case comm::EventWatch::kSleep:
        return true;
      case comm::EventWatch::kSet:
        return false;
      case comm::EventWatch::kFailed:
        FFailed = comm::GetLastError();
        return false;
    }
    return false;
  }

  void Finish(const MainThread::Readiness* ready) override {
    FWatch.Finish(reinterpret_cast<const char*>(ready));
  }

  bool Ready() override {
    std::lock_guard lock(Lock);
    if (Thread == nullptr) return true;
    if (Thread->FLoopDispatching) return false;
    return FFailed != 0 || !Thread->FWaitArmed || FWatch.Watched().IsSet();
  }

  void Dispatch() override {
    std::unique_lock lock(Lock);
    if (Thread == nullptr) {
      lock.unlock();
      MainThread::RemoveSource(this);
      return;
    }
    if (FFailed != 0) {
      // A wait the loop cannot sleep on ends the loop with that error.
      Thread->GiveBackLocked(std::exchange(FFailed, 0));
      return;
    }
    Thread->DispatchInMainLoop(lock);
  }

  // Who holds the wait: while Thread is set, the loop (the thread's wait
  // fields, FLent, FWaitArmed are guarded by Lock); null once given back.
  std::mutex Lock;
  TComThread* Thread;

 private:
  comm::EventWatch FWatch;  // main thread only
  std::int32_t FFailed = 0;
};

void TComThread::LendToMainLoop() {
  FGivenBack = comm::Event::Create(/*manualReset=*/true, /*initialState=*/false);
  FMainLoopWait = std::make_shared<MainLoopWait>(this, FOverlapped.hEvent);
  std::lock_guard lock(FMainLoopWait->Lock);
  FLent = true;
  MainThread::AddSource(FMainLoopWait);
  ArmInMainLoop();
}

std::int32_t TComThread::WaitForGiveBack() {
  if (comm::WaitForSingleObject(FGivenBack, INFINITE) == WAIT_OBJECT_0) return FLoopError;
  // This thread cannot sleep: it takes the wait back itself, once no batch
  // is under way, and ends with the error of the sleep.
  const std::int32_t error = SleepError();
  for (;;) {
    {
      std::lock_guard lock(FMainLoopWait->Lock);
      if (!FLent) return FLoopError;
      if (!FLoopDispatching) {
        GiveBackLocked(error);
        return error;
      }
    }
    comm::Sleep(1);  // a handler is running; the wait is back as it returns
  }
}

void TComThread::ArmInMainLoop() {
  if (!FPort.Device.WaitCommEvent(&FMask, &FOverlapped)) {
    const std::int32_t error = comm::GetLastError();
    // A wait that cannot even be started would fail the same way again.
    if (error != ERROR_IO_PENDING) return GiveBackLocked(error);
    FWaitPending = true;
  }
  FWaitArmed = true;
}

void TComThread::DispatchInMainLoop(std::unique_lock<std::mutex>& lock) {
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
    if (comm::IsDeviceGoneError(error)) return GiveBackLocked(error);
    return ArmInMainLoop();
  }
  FPendingEvents = MaskToEventSet(FMask);
  FLoopDispatching = true;
  // The handlers run unlocked: a close on another thread meanwhile leaves
  // the wait to the end of this batch.
  lock.unlock();
  DeliverEvents();  // the smThreadSync hand-over, here on the main thread
  lock.lock();
  FLoopDispatching = false;
  // Stopped from a handler or meanwhile (the port closed): the wait goes
  // back now. A handler that met the device gone leaves the one report to
  // the thread.
  if (FStopEvent.IsSet()) return GiveBackLocked(0);
  if (FLostError != 0) return GiveBackLocked(FLostError);
  ArmInMainLoop();
}

void TComThread::GiveBackLocked(std::int32_t error) {
  FLoopError = error;
  FLent = false;
  FMainLoopWait->Thread = nullptr;
  if (MainThread::IsCurrent()) {
    MainThread::RemoveSource(FMainLoopWait.get());
  } else {
    MainThread::Wake();  // the loop lets go of the source at its next round
  }
  // Last: the body owns the wait from here on, and may free this object
  // (the event with it) as soon as the set is seen.
  const comm::Event givenBack = FGivenBack;
  givenBack.Set();
}

void TComThread::TakeBackFromMainLoop() {
  // Given back, an abandoned thread may free itself at once: the source (and
  // its lock) stays with this call until it returns.
  const std::shared_ptr<MainLoopWait> wait = FMainLoopWait;
  std::lock_guard lock(wait->Lock);
  // A batch under way gives the wait back as it ends.
  if (FLent && !FLoopDispatching) GiveBackLocked(0);
}
