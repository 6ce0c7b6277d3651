// Ends the main thread's loop from outside it: when a deadline passes or
// when SIGINT or SIGTERM arrives; and rings an alarm that the loop's owner
// may set and move while the loop runs. One helper thread sleeps in one
// system wait, with the earlier of the deadline and the alarm as its only
// time-out: on Linux a ppoll on a signalfd and
// a wake-up descriptor (posix/), on Windows a wait on the console-control
// event and a wake-up event, Ctrl+C standing for SIGINT and Ctrl+Break or
// closing the console for SIGTERM (win32/).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class TLoopStop {
 public:
  using TClock = std::chrono::steady_clock;

  // Blocks SIGINT and SIGTERM for the process, so create it before any other
  // thread. They stay blocked after it is gone: a signal that comes later is
  // not to kill a program that is already finishing.
  TLoopStop();
  ~TLoopStop();
  TLoopStop(const TLoopStop&) = delete;
  TLoopStop& operator=(const TLoopStop&) = delete;

  // Starts the helper: it calls `stop` once, from its own thread, at the
  // deadline (none: never) or on a signal, whichever comes first; until
  // then it calls `ring`, from its own thread, each time the alarm passes.
  void Start(std::optional<TClock::time_point> deadline, std::function<void()> stop,
             std::function<void()> ring = {});
  // Ends the helper, if it is still waiting, and joins it.
  void Finish();

  // The alarm's time, replacing the one before (none: no alarm). It rings
  // once and is then cleared. Any thread; set before Start it waits for it.
  void SetAlarm(std::optional<TClock::time_point> at);

  // The signal that called `stop`, 0 if none did.
  int Signal() const { return FSignal.load(); }

 private:
  void Watch(std::optional<TClock::time_point> deadline, const std::function<void()>& stop,
             const std::function<void()>& ring);
  // The earlier of the deadline and the alarm.
  std::optional<TClock::time_point> WakeAt(std::optional<TClock::time_point> deadline);
  // True once, when the alarm has passed at `now`; clears it.
  bool TakeAlarm(TClock::time_point now);
  void WakeHelper();

  // The system's handles: descriptors on Linux, event handles on Windows.
  std::intptr_t FSignals = -1;  // signalfd / console-control event
  std::intptr_t FWake = -1;     // eventfd / event that Finish sets
  std::thread FHelper;
  std::atomic<int> FSignal{0};
  std::atomic<bool> FFinishing{false};  // a wake-up from Finish, not from SetAlarm
  std::mutex FAlarmLock;
  std::optional<TClock::time_point> FAlarm;
};
