// What send and monitor share: the headless application whose loop runs the
// main thread, a port opened with the console's settings whose received
// blocks reach the caller through the event thread and OnRxChar, as in the
// window, and the three ways the loop ends.
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

class TPortSession {
 public:
  // Blocks the stop signals (before any thread exists) and sets up the
  // application. Errors the application shows go to `err`, one line each.
  explicit TPortSession(std::ostream& err);
  ~TPortSession();  // closes the port
  TPortSession(const TPortSession&) = delete;
  TPortSession& operator=(const TPortSession&) = delete;

  // Opens `name` on the dispenser's line (SetDispenserLine: 9600 8N1, DTR
  // and RTS on), all ten events, handlers on the main thread. Raises
  // EComPort; a port that cannot be opened raises Exception with the
  // engine's message and, on a second line, the cause in plain words.
  void Open(const std::string& name, TBlockHandler onBlock);
  TComPort& Port() { return *FPort; }
  // When the read whose bytes the block handler is given returned: the time
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

  // Closes the port; a device that is gone is closed quietly, a failure is
  // shown and counted in ErrorsShown.
  void Close();

 private:
  class TBackend;
  void HandleRxChar(std::int32_t count);
  void RunDueTimers();
  void SetAlarm();

  struct TLoopTimer {
    std::optional<std::chrono::steady_clock::time_point> At;
    std::function<void()> OnDue;
  };

  std::ostream& FErr;
  TLoopStop FStop;
  std::unique_ptr<TApplication> FApplication;
  std::unique_ptr<TComPort> FPort;
  TBlockHandler FOnBlock;
  std::chrono::steady_clock::time_point FReadAt;
  std::vector<TLoopTimer> FTimers;
  // Shared with the calls the alarm queued, which may outlive the session.
  std::shared_ptr<std::function<void()>> FOnAlarm;
  bool FDeviceGone = false;
  bool FCloseFailed = false;  // told once; the port's destruction closes it quietly
  std::string FGoneReport;
  int FGoneReports = 0;
  int FErrorsShown = 0;
};
