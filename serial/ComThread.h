// The event thread of an open port: it sleeps in one device wait until the
// device reports line events (or it is stopped) and hands each batch to the
// port the way the port's SyncMethod says.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <string>
#include <thread>

#include "platform/runtime/Messages.h"
#include "platform/runtime/Threads.h"
#include "platform/serial/CommDevice.h"
#include "serial/CPortTypes.h"

class TCustomComPort;

// The window message that carries one event to the port's hidden window;
// wParam is the event's EV_ flag.
inline constexpr std::uint32_t WM_COMEVENT = WM_USER + 1;

// The event set as the device's EV_ mask and back; mask bits that name no
// event are dropped.
std::uint32_t EventSetToMask(TComEvents events);
TComEvents MaskToEventSet(std::uint32_t mask);

// The EV_ flag of one event.
std::uint32_t EventToFlag(TComEvent event);

// The order in which the events of one batch are handled: errors first.
inline constexpr TComEvent kEventHandlingOrder[] = {
    evError, evRxChar, evTxEmpty, evBreak, evRing, evCTS, evDSR, evRxFlag, evRLSD, evRx80Full};

class TComThread final : public TThread {
 public:
  // Creates the thread for the port's open device: sets the device's event
  // mask from the port's Events and starts the loop.
  explicit TComThread(TCustomComPort* owner);
  // Stops the loop and waits until the body has returned.
  ~TComThread() override;
  std::string ClassName() const override { return "TComThread"; }

  // Signals the loop to end.
  void Stop();
  // For a port closed from inside one of the thread's own hand-overs: stops
  // the loop, lets the hand-over under way deliver nothing more, and hands
  // the object over to itself: when the body has ended, it is freed from the
  // main thread's queue. The caller forgets it.
  void Abandon();
  // True on the thread itself.
  bool IsCurrent() const { return FThreadId.load() == std::this_thread::get_id(); }

  TCustomComPort* OwnerPort() const { return FOwnerPort; }
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
  void DeliverEvents();
  void CallHandlers();
  void SendToWindow();
  // Shows an exception through the application's exception display, on the
  // main thread.
  void ShowOnMainThread(std::exception_ptr error);

  TCustomComPort* FOwnerPort;
  comm::Event FStopEvent;
  TComEvents FPendingEvents;
  // Fixed for the thread's life: taken from the port when it was created.
  comm::Device FDevice;
  TSyncMethod FSyncMethod;
  HWND FNotifyWindow;
  std::string FPortName;
  std::atomic<bool> FAbandoned{false};
  std::atomic<std::thread::id> FThreadId{};
  static inline std::atomic<int> FInstanceCount{0};
};
