// The event thread of an open port: it sleeps in one device wait until the
// device reports line events (or it is stopped) and hands each batch to the
// port the way the port's SyncMethod says.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <thread>

#include "platform/runtime/Messages.h"
#include "platform/runtime/Threads.h"
#include "platform/serial/CommDevice.h"
#include "serial/ComErrors.h"
#include "serial/ComEvents.h"

// What the thread is given of its port, fixed for the thread's life.
struct TComThreadPort {
  comm::Device Device;  // the open device; its event mask is set from Events
  TComEvents Events;
  TSyncMethod SyncMethod;
  TWindowHandle NotifyWindow;  // window sync: where each event is sent
  std::string Name;   // the port's name, for the errors the thread reports
  TObject* Sender;    // the port, as the sender of the errors shown
  // Runs the port's handle operation of one event, where the hand-over put it.
  std::function<void(TComEvent)> HandleEvent;
  // The device is gone: the port reports it (code 21 with the system's
  // error), then, unless the report closed or freed the port, CloseLost
  // closes it. Both on the main thread; neither raises.
  std::function<void(const EComPortExt&)> DeviceLost;
  std::function<void()> CloseLost;
};

class TComThread final : public TThread {
 public:
  // Creates the thread for the port's open device: sets the device's event
  // mask from the port's Events and starts the loop.
  explicit TComThread(TComThreadPort port);
  // Stops the loop and waits until the body has returned.
  ~TComThread() override;
  std::string ClassName() const override { return "TComThread"; }

  // Signals the loop to end.
  void Stop();
  // For a port closed from inside one of the thread's own hand-overs: stops
  // the loop, lets the hand-over under way deliver nothing more, and hands
  // the object over to itself: the body frees it as it ends. The caller
  // forgets it.
  void Abandon();
  // True on the thread itself.
  bool IsCurrent() const { return FThreadId.load() == std::this_thread::get_id(); }

  // How many event threads exist in the process (diagnostics and tests).
  static int InstanceCount() { return FInstanceCount.load(); }
  TComEvents PendingEvents() const { return FPendingEvents; }

 protected:
  void Execute() override;

 private:
  // Waits and delivers until stopped; returns the system error when the
  // device can no longer be waited on (it is gone, or refuses to start a
  // wait), 0 otherwise. It never waits again on a device that failed so.
  std::int32_t RunLoop(comm::OVERLAPPED& overlapped, comm::DWORD& mask, bool& waitPending);
  // Hands the batch over. A handler that met the device gone (a read, or
  // the queue count, on a device unplugged meanwhile) ends the loop with
  // that loss instead of reporting it: the loss is reported once, by the
  // thread.
  void DeliverEvents();
  // On the main thread: the port hears of its lost device and closes,
  // unless its owner has begun to close it meanwhile.
  void ReportLoss(std::int32_t error);
  void CallHandlers();
  void SendToWindow();
  // Shows an exception through the application's exception display, on the
  // main thread.
  void ShowOnMainThread(std::exception_ptr error);

  TComThreadPort FPort;  // fixed for the thread's life
  comm::Event FStopEvent;
  TComEvents FPendingEvents;
  std::int32_t FLostError = 0;  // the device error a handler met, 0 if none
  std::atomic<bool> FAbandoned{false};
  std::atomic<std::thread::id> FThreadId{};
  static inline std::atomic<int> FInstanceCount{0};
};
