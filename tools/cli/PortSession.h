// What send, monitor and run share: the headless application whose loop runs
// the main thread, ports opened with the console's settings whose received
// blocks reach the caller through the event thread and OnRxChar, as in the
// window, and the three ways the loop ends. Several ports share the one loop
// (run with several ports).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "platform/runtime/Application.h"
#include "serial/CPort.h"
#include "tools/cli/LoopStop.h"

enum TSessionEnd : std::uint8_t {
  seWaitOver,    // the wait given to Run has passed
  seSignal,      // SIGINT or SIGTERM
  seDeviceGone,  // the port's device disappeared (or can no longer be waited on)
};

// One received block: the bytes OnRxChar's read returned.
using TBlockHandler = std::function<void(std::span<const std::uint8_t> block)>;
// A port's device is gone: what happened, as GoneReport words it.
using TLostHandler = std::function<void(const std::string& report)>;

class TPortSession {
 public:
  // Blocks the stop signals (before any thread exists) and sets up the
  // application. Errors the application shows go to `err`, one line each.
  explicit TPortSession(std::ostream& err);
  ~TPortSession();  // closes the port
  TPortSession(const TPortSession&) = delete;
  TPortSession& operator=(const TPortSession&) = delete;

  // Opens `name` on the dispenser's line (SetDispenserLine: 9600 8N1, DTR
  // and RTS on), all ten events, handlers on the main thread, as the
  // session's next port (the first is number 0). Raises EComPort; a port
  // that cannot be opened raises Exception with the engine's message and,
  // on a second line, the cause in plain words, and is not kept.
  // Without `onLost` the device's loss ends the loop (seDeviceGone); with
  // it, the loss is told there, the port closes and the loop goes on.
  std::size_t Open(const std::string& name, TBlockHandler onBlock, TLostHandler onLost = {});
  TComPort& Port(std::size_t port = 0) { return *FPorts.at(port)->Port; }
  // When the read whose bytes a block handler is given returned: the time
  // they were in, however long the handlers then take over them.
  std::chrono::steady_clock::time_point ReadAt() const { return FReadAt; }

  // Runs the main thread's loop until `wait` has passed (without one, only
  // the other two ends apply), a stop signal, or the device is gone.
  TSessionEnd Run(std::optional<std::chrono::milliseconds> wait);

  // Timers of the loop: a timer's handler runs on the main thread, from the
  // running loop, once its time has passed. The loop's own time-out ends
  // its wait at the earliest timer, so nothing polls.
  using TTimerId = std::size_t;
  TTimerId AddTimer(std::function<void()> onDue);
  // Sets the timer's time, or stops it (nothing); a later call moves it.
  // A timer runs once for each time set.
  void SetTimer(TTimerId timer, std::optional<std::chrono::steady_clock::time_point> at);

  // For seSignal: the signal.
  int Signal() const { return FStop.Signal(); }
  // For seDeviceGone: what happened, with the engine's report:
  // "the device is gone (COM Port Error: WaitForEvent method failed on ...)".
  const std::string& GoneReport() const { return FGoneReport; }
  // How many such reports the session has had (one per loss; more would
  // be a fault).
  int GoneReports() const { return FGoneReports; }
  // Port errors shown on `err`: those the application showed while the loop
  // ran (a failed read) and a failed close.
  int ErrorsShown() const { return FErrorsShown; }

  // Closes the ports; a device that is gone is closed quietly, a failure is
  // shown and counted in ErrorsShown.
  void Close();

 private:
  class TBackend;
  struct TOpenPort {
    std::unique_ptr<TComPort> Port;
    TBlockHandler OnBlock;
    bool Gone = false;         // its device was lost (told to its handler)
    bool CloseFailed = false;  // told once; the port's destruction closes it quietly
  };
  void HandleRxChar(TOpenPort& port, std::int32_t count);
  void Close(TOpenPort& port);
  void RunDueTimers();
  void SetAlarm();

  struct TLoopTimer {
    std::optional<std::chrono::steady_clock::time_point> At;
    std::function<void()> OnDue;
  };

  std::ostream& FErr;
  TLoopStop FStop;
  std::unique_ptr<TApplication> FApplication;
  std::vector<std::unique_ptr<TOpenPort>> FPorts;
  std::chrono::steady_clock::time_point FReadAt;
  std::vector<TLoopTimer> FTimers;
  bool FDeviceGone = false;
  bool FClosing = false;  // the ports are being destroyed: Close told their failures
  std::string FGoneReport;
  int FGoneReports = 0;
  int FErrorsShown = 0;
};
