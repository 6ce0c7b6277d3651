// The event thread of an open port: it sleeps in one device wait until the
// device reports line events (or it is stopped) and hands each batch to the
// port the way the port's SyncMethod says. With smThreadSync and the wait in
// the main loop, the main thread's loop itself waits on the device whenever
// it is idle and runs the handlers as a batch arrives, while this thread
// waits for the loop to give the wait back (to end, or to report a device
// that failed): no batch needs to wake it. A close on any thread takes the
// wait back without the main thread, waiting only for a batch under way.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
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
  // smThreadSync only, and only where the program's loop serves sources:
  // the main thread's loop waits on the device and hands over nothing.
  bool WaitInMainLoop;
  TWindowHandle NotifyWindow;  // window sync: where each event is sent
  std::string Name;   // the port's name, for the errors the thread reports
  TObject* Sender;    // the port, as the sender of the errors shown
  // Runs the port's handle operation of one event, where the hand-over put it.
  std::function<void(TComEvent)> HandleEvent;
  // Whether one of the port's own device calls found the device gone: only
  // those may declare the port lost; another port's loss a handler meets is
  // shown as any other error.
  std::function<bool()> OwnDeviceGone;
  // The device is gone: the port reports it (code 21 with the system's
  // error), then, unless the report closed or freed the port, CloseLost
  // closes it. Both on the port's owning thread: the main thread, or for a
  // port opened elsewhere with smNone, this thread, where its handlers run.
  // Neither raises.
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
  // True on any port's event thread: a close there never waits for another
  // thread's close, which may be waiting for this thread to end.
  static bool OnEventThread() { return tOnEventThread; }
  // True while one of the thread's batches is being handled: the thread (or,
  // with the wait in the main loop, the loop) cannot go on before the
  // handlers return, so waiting for it there would never end.
  bool InHandOver() const { return InSynchronize() || FLoopDispatching; }

  // How many event threads exist in the process (diagnostics and tests).
  static int InstanceCount() { return FInstanceCount.load(); }
  TComEvents PendingEvents() const { return FPendingEvents; }

 protected:
  void Execute() override;

 private:
  class MainLoopWait;

  // Waits and delivers until stopped; returns the system error when the
  // device can no longer be waited on (it is gone, or refuses to start a
  // wait), 0 otherwise. It never waits again on a device that failed so.
  std::int32_t RunLoop();
  // Main thread, the wait in the main loop (ComThreadLoop.cpp). Starts the
  // wait and hands every batch over as it arrives; the device wait (its
  // block, mask, pending state) belongs to the main thread until it gives it
  // back, with the error that ends the loop (0 when stopped).
  void LendToMainLoop();
  void ArmInMainLoop();
  void DispatchInMainLoop(std::unique_lock<std::mutex>& lock);
  // The body while the wait is lent: sleeps until the loop gives it back;
  // the error that ended it there (or that ended the sleep).
  std::int32_t WaitForGiveBack();
  // Stop's part, on any thread: a wait lent to the loop comes back at once,
  // or, while a batch is handled, when that batch ends.
  void TakeBackFromMainLoop();
  // The wait is the event thread's again, with the error that ends the
  // loop; the loop's lock is held.
  void GiveBackLocked(std::int32_t error);
  // Hands the batch over. A handler that met the device gone (a read, or
  // the queue count, on a device unplugged meanwhile) ends the loop with
  // that loss instead of reporting it: the loss is reported once, by the
  // thread.
  void DeliverEvents();
  // On the main thread: the port hears of its lost device and closes,
  // unless its owner has begun to close it meanwhile.
  void ReportLoss(std::int32_t error);
  void CallHandlers();
  // The error of a sleep that failed (the system's, never 0).
  static std::int32_t SleepError();
  void SendToWindow();
  // Shows an exception through the application's exception display, on the
  // main thread.
  void ShowOnMainThread(std::exception_ptr error);

  TComThreadPort FPort;  // fixed for the thread's life
  comm::Event FStopEvent;
  // The device wait: the body's, or the main loop's while it is lent.
  comm::OVERLAPPED FOverlapped;
  comm::DWORD FMask = 0;
  bool FWaitPending = false;
  // The wait in the main loop: fixed at construction; the rest is under the
  // loop's lock (MainLoopWait) until the wait is given back.
  bool FInMainLoop = false;
  std::shared_ptr<MainLoopWait> FMainLoopWait;
  bool FLent = false;
  bool FWaitArmed = false;
  std::atomic<bool> FLoopDispatching{false};
  comm::Event FGivenBack;       // set when the loop gives the wait back
  std::int32_t FLoopError = 0;  // written before FGivenBack is set
  TComEvents FPendingEvents;
  std::int32_t FLostError = 0;  // the device error a handler met, 0 if none
  std::atomic<bool> FAbandoned{false};
  // Where the loss is reported: on this thread for a port opened off the
  // main thread with smNone (nothing else would serve it), else the main.
  bool FReportsHere = false;
  std::atomic<std::thread::id> FThreadId{};
  static inline thread_local bool tOnEventThread = false;
  static inline std::atomic<int> FInstanceCount{0};
};
