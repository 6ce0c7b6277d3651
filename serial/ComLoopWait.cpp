// The main thread's loop as the port's event wait. The source's lock says
// who holds the wait: while the source is attached, the loop does (it arms,
// sleeps on and judges it); a stop on any thread detaches it and releases
// the device's wait, or leaves that to the end of a batch under way.
#include "serial/ComLoopWait.h"

#include <mutex>
#include <utility>

#include "platform/loop/LoopSource.h"
#include "platform/runtime/LoopSources.h"
#include "platform/runtime/Threads.h"
#include "platform/serial/EventWatch.h"

class TComLoopWait::Source final : public loop::Source, private TComDeviceWait {
 public:
  explicit Source(TComWaitPort port)
      : TComDeviceWait(std::move(port)), FWatch(FOverlapped.hEvent) {}

  // Main thread, at the start: the first wait. One that cannot be started
  // is reported from the loop, once the port is open.
  void Start() {
    std::lock_guard lock(FLock);
    FFailed = Arm();
    FArmed = FFailed == 0;
  }

  // Any thread: the port stops the wait. A batch under way delivers nothing
  // more and releases the device's wait as it ends.
  void Stop() {
    std::unique_lock lock(FLock);
    FStopping = true;
    FAbandoned = true;
    if (FAttached) Detach(lock);
    if (!FDispatching) ReleaseDevice();
  }

  bool Dispatching() const {
    std::lock_guard lock(FLock);
    return FDispatching;
  }

  bool Prepare(loop::SleepPlan& plan) override {
    std::lock_guard lock(FLock);
    if (!FAttached) return false;  // stopped: Dispatch lets the source go
    // No wait is armed while a batch is handled: a nested loop (a modal
    // dialog in a handler) neither sleeps on it nor enters it again.
    if (FDispatching) return true;
    if (!FArmed) return false;
    switch (FWatch.Prepare(plan.waitables)) {
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

  void Finish(const loop::Readiness* ready) override { FWatch.Finish(ready); }

  bool Ready() override {
    std::lock_guard lock(FLock);
    if (!FAttached) return true;
    if (FDispatching) return false;
    return FFailed != 0 || !FArmed || FWatch.Watched().IsSet();
  }

  void Dispatch() override {
    std::unique_lock lock(FLock);
    if (!FAttached) {
      lock.unlock();
      MainThread::RemoveSource(this);
      return;
    }
    if (FDispatching) return;
    if (FFailed != 0) return Fail(lock, std::exchange(FFailed, 0));
    if (!FArmed) return ArmNext(lock);
    if (!FOverlapped.hEvent.IsSet()) return;
    FArmed = false;
    std::int32_t gone = 0;
    if (!TakeBatch(&gone)) return gone != 0 ? Fail(lock, gone) : ArmNext(lock);
    HandOver(lock, [this] { DeliverEvents(); });
    if (FStopping) return;  // closed from a handler or meanwhile
    // A handler that met the device gone leaves the one report to the wait.
    if (FLostError != 0) return Fail(lock, FLostError);
    ArmNext(lock);
  }

 protected:
  void RunOnMain(const std::function<void()>& call) override { call(); }
  bool Stopped() const override {
    std::lock_guard lock(FLock);
    return FStopping;
  }

 private:
  // Runs work (program code) with the lock released, counted as a batch
  // under way; a stop meanwhile leaves the device's wait to its end.
  template <typename Work>
  void HandOver(std::unique_lock<std::mutex>& lock, Work work) {
    FDispatching = true;
    lock.unlock();
    work();
    lock.lock();
    FDispatching = false;
    if (FStopping) ReleaseDevice();
  }

  void ArmNext(std::unique_lock<std::mutex>& lock) {
    if (const std::int32_t error = Arm()) return Fail(lock, error);
    FArmed = true;
  }

  // The device can no longer be waited on: the loop lets go of it for good
  // and the failure is reported (a device that is gone closes the port).
  void Fail(std::unique_lock<std::mutex>& lock, std::int32_t error) {
    Detach(lock);
    HandOver(lock, [this, error] { Report(error); });
  }

  // The loop holds the wait no more; the source goes at the loop's next
  // round, or now on the main thread.
  void Detach(std::unique_lock<std::mutex>& lock) {
    FAttached = false;
    FArmed = false;
    if (MainThread::IsCurrent()) {
      lock.unlock();
      MainThread::RemoveSource(this);
      lock.lock();
    } else {
      MainThread::Wake();
    }
  }

  mutable std::mutex FLock;
  bool FAttached = true;
  bool FArmed = false;
  bool FDispatching = false;
  bool FStopping = false;
  std::int32_t FFailed = 0;
  comm::EventWatch FWatch;  // main thread only
};

TComLoopWait::TComLoopWait(TComWaitPort port) : FSource(std::make_shared<Source>(std::move(port))) {
  FSource->Start();
  MainThread::AddSource(FSource);
}

TComLoopWait::~TComLoopWait() {
  FSource->Stop();
}

void TComLoopWait::Abandon() {
  delete this;
}

bool TComLoopWait::InHandOver() const {
  return FSource->Dispatching();
}
