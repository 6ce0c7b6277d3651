// What waits on an open port's device for its line events and hands each
// batch to the port: the main thread's loop itself where it can
// (TComLoopWait, no thread), or an event thread of the port's own
// (TComThread). Start decides which, in one place; the port asks nothing
// else of either.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/runtime/Classes.h"
#include "platform/runtime/Messages.h"
#include "platform/serial/CommDevice.h"
#include "serial/ComErrors.h"
#include "serial/ComEvents.h"

// What the wait is given of its port, fixed for the wait's life.
struct TComWaitPort {
  comm::Device Device;  // the open device; its event mask is set from Events
  TComEvents Events;
  TSyncMethod SyncMethod;
  bool WaitInMainLoop;         // the port's wish; Start says whether it is met
  TWindowHandle NotifyWindow;  // window sync: where each event is sent
  std::string Name;            // the port's name, for the errors reported
  TObject* Sender;             // the port, as the sender of the errors shown
  // Runs the port's handle operation of one event, where the hand-over put it.
  std::function<void(TComEvent)> HandleEvent;
  // Whether one of the port's own device calls found the device gone: only
  // those may declare the port lost; another port's loss a handler meets is
  // shown as any other error.
  std::function<bool()> OwnDeviceGone;
  // The device is gone: the port reports it (code 21 with the system's
  // error), then, unless the report closed or freed the port, CloseLost
  // closes it. Both on the port's owning thread: the main thread, or for a
  // port opened elsewhere with smNone, the event thread, where its handlers
  // run. Neither raises.
  std::function<void(const EComPortExt&)> DeviceLost;
  std::function<void()> CloseLost;
};

// What the port holds of its wait, whichever way it waits.
class TComEventWait {
 public:
  // Where the main thread's loop takes the wait: smThreadSync with
  // WaitInMainLoop, opened on the main thread, whose loop serves sources
  // (the headless loop; Qt's). Everywhere else an event thread waits:
  // smNone and smWindowSync, a port opened off the main thread, a program
  // whose loop serves no sources (one that never runs a loop of ours).
  static bool CanWaitInMainLoop(const TComWaitPort& port);
  // Sets the device's event mask from the port's Events and starts waiting.
  // Raises where no wait can be started (no thread, no event).
  static std::unique_ptr<TComEventWait> Start(TComWaitPort port);

  // Stops the wait; the device's wait is released (its mask cleared, its
  // pending operation ended, the queues purged) before this returns, or, if
  // a batch is under way, as that batch ends. Not called from inside one of
  // the wait's own hand-overs: Abandon is, there.
  virtual ~TComEventWait() = default;
  // For a port closed from inside one of the wait's own hand-overs: stops,
  // lets the batch under way deliver nothing more, and frees itself once the
  // hand-over has returned. The caller forgets the object.
  virtual void Abandon() = 0;
  // True while a batch (or the report of a failure) is being handled where
  // the caller cannot wait for its end: on the event thread, in one of its
  // Synchronize calls, or in the main loop's hand-over.
  virtual bool InHandOver() const = 0;
  // Whether the main thread's loop holds the wait (no event thread).
  virtual bool InMainLoop() const = 0;

  // True on any port's event thread: a close there never waits for another
  // thread's close, which may be waiting for this thread to end.
  static bool OnEventThread() { return tOnEventThread; }
  // Device waits that exist (a wait is gone once it has released the device
  // and reported what ended it), and event threads, in the process
  // (diagnostics and tests).
  static int Count();
  static int ThreadCount();

 protected:
  TComEventWait() = default;
  TComEventWait(const TComEventWait&) = delete;
  TComEventWait& operator=(const TComEventWait&) = delete;

  static inline thread_local bool tOnEventThread = false;
  static inline std::atomic<int> FThreadCount{0};
};

// The device wait of a port and the hand-over of its batches, the same for
// both ways of waiting.
class TComDeviceWait {
 public:
  // Sets the device's event mask and makes the wait's event.
  explicit TComDeviceWait(TComWaitPort port);
  virtual ~TComDeviceWait();  // releases the device's wait if not done yet
  TComDeviceWait(const TComDeviceWait&) = delete;
  TComDeviceWait& operator=(const TComDeviceWait&) = delete;

 protected:
  // Starts the next device wait: 0, or the error of a wait that cannot even
  // be started (it would fail the same way again).
  std::int32_t Arm();
  // A completed wait: true with the batch in FPendingEvents; false when
  // there is nothing to deliver, with *error set if the device is gone.
  bool TakeBatch(std::int32_t* error);
  // Hands the batch over as the port's SyncMethod says. A handler that met
  // the port's own device gone ends the wait with that loss (FLostError)
  // instead of reporting it: the loss is reported once, by Report.
  void DeliverEvents();
  // The device can no longer be waited on: a device that is gone is reported
  // and closes the port, any other error is shown; on the port's owning
  // thread, unless the port is being closed.
  void Report(std::int32_t error);
  // Clears the mask (which ends a pending wait), waits for the pending wait,
  // purges the queues and lets go of the wait's event. Once.
  void ReleaseDevice();

  // Runs call on the main thread and waits for it (the event thread's
  // Synchronize; the loop's wait is there already).
  virtual void RunOnMain(const std::function<void()>& call) = 0;
  // Whether the port stopped the wait (closed, or abandoned it).
  virtual bool Stopped() const = 0;

  TComWaitPort FPort;  // fixed for the wait's life
  comm::OVERLAPPED FOverlapped;
  comm::DWORD FMask = 0;
  bool FWaitPending = false;
  TComEvents FPendingEvents;
  std::int32_t FLostError = 0;  // the device error a handler met, 0 if none
  // The port gave the wait up during a batch: the batch delivers nothing more.
  std::atomic<bool> FAbandoned{false};

 private:
  friend class TComEventWait;
  // Runs call on the port's owning thread (see TComWaitPort::DeviceLost).
  void RunOnOwner(const std::function<void()>& call);
  void CallHandlers();
  void SendToWindow();
  void ShowOnMainThread(std::exception_ptr error);

  // Where the loss is reported: on the event thread for a port opened off
  // the main thread with smNone (nothing else would serve it), else on the
  // main thread.
  const bool FReportsHere;
  std::atomic<bool> FReleased{false};
  static inline std::atomic<int> FCount{0};
};
