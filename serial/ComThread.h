// The event thread of an open port, for ports whose wait the main thread's
// loop cannot take (see TComEventWait::CanWaitInMainLoop): it sleeps in one
// device wait until the device reports line events (or it is stopped) and
// hands each batch to the port the way the port's SyncMethod says.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/runtime/Threads.h"
#include "serial/ComEventWait.h"

class TComThread final : public TComEventWait, private TComDeviceWait, public TThread {
 public:
  // Sets the device's event mask and starts the thread.
  explicit TComThread(TComWaitPort port);
  // Stops the loop and waits until the body has returned.
  ~TComThread() override;
  std::string ClassName() const override { return "TComThread"; }

  void Abandon() override;
  // On the thread itself, or in one of its Synchronize calls.
  bool InHandOver() const override { return IsCurrent() || InSynchronize(); }
  bool InMainLoop() const override { return false; }

 protected:
  void Execute() override;
  void RunOnMain(const std::function<void()>& call) override { Synchronize(call); }
  bool Stopped() const override { return FStopEvent.IsSet(); }

 private:
  // Signals the loop to end.
  void Stop();
  bool IsCurrent() const { return FThreadId.load() == std::this_thread::get_id(); }
  // Waits and delivers until stopped; returns the system error when the
  // device can no longer be waited on (it is gone, or refuses to start a
  // wait), 0 otherwise. It never waits again on a device that failed so.
  std::int32_t RunLoop();

  comm::Event FStopEvent;
  std::atomic<std::thread::id> FThreadId{};
};
