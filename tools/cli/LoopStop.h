// Ends the main thread's loop when a deadline passes or when SIGINT or
// SIGTERM arrives, and rings an alarm that the loop's owner may set and move
// while the loop runs. A source of the main thread's loop
// (platform/loop/LoopSource.h), with no thread of its own: the loop sleeps on
// the signals' waitable (a signalfd on Linux, posix/; the console-control
// event on Windows, win32/, Ctrl+C standing for SIGINT and Ctrl+Break or
// closing the console for SIGTERM) until the earlier of the deadline and the
// alarm, and `stop` and `ring` are called from the loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

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

  // Main thread, with a loop that serves sources (the headless one): from
  // the loop, calls `stop` once at the deadline (none: never) or on a
  // signal, whichever comes first; until then calls `ring` each time the
  // alarm passes.
  void Start(std::optional<TClock::time_point> deadline, std::function<void()> stop,
             std::function<void()> ring = {});
  // Main thread: the loop no longer watches for them.
  void Finish();

  // The alarm's time, replacing the one before (none: no alarm). It rings
  // once and is then cleared. Any thread (another one wakes the loop for
  // it); set before Start it waits for it.
  void SetAlarm(std::optional<TClock::time_point> at);

  // The signal that called `stop`, 0 if none did.
  int Signal() const;

 private:
  class TSource;

  // Each system's: the signals' waitable, made and closed, and the signal
  // that it holds (0 if none; the console's control event stays set).
  static std::intptr_t OpenSignals();
  static void CloseSignals(std::intptr_t signals);
  static int TakeSignal(std::intptr_t signals);

  std::intptr_t FSignals;
  std::shared_ptr<TSource> FSource;  // in the loop's sources from Start to Finish
};
