// Threads and the main thread. One main thread runs the toolkit's loop and
// every handler; worker threads hand calls to it with Synchronize and wait.
// Whatever the toolkit (Qt, or the headless loop of the command-line tool
// and the tests), queued calls run on the main thread: from its loop, from
// ProcessMessages, and while it waits for a thread to end.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

#include "platform/runtime/Classes.h"

// A misuse of the thread machinery that would otherwise hang or crash:
// waiting for a thread from inside its own synchronized call, handing a call
// to a main thread that was never bound, a priority the system refuses.
class EThread : public Exception {
 public:
  using Exception::Exception;
};

// The main thread and its queue of calls handed over by other threads.
namespace MainThread {

// Makes the calling thread the main thread (the application does this when
// it is initialised; tests may do it themselves).
void Bind();
bool IsBound();    // whether a main thread is bound
bool IsCurrent();  // whether the caller is the main thread

// Queues a call for the main thread and wakes its loop. Any thread.
void Post(std::function<void()> call);

// Runs every call queued so far, in order (calls queued while they run wait
// for the next round). A call that raises is shown through the application's
// exception display and the next call runs. Main thread only (EThread
// otherwise); may be nested inside a running call.
void RunPending();

// Main thread: blocks until done() is true, running queued calls as they
// arrive and serving the sources (LoopSources.h); a sleep ends by their deadlines.
// done() is checked after every queued call, every source's work and every
// Wake(), so whatever makes it true must call Wake() afterwards (or be a
// source's work).
void WaitUntil(const std::function<bool()>& done);

// Wakes WaitUntil and the toolkit's loop (for example after a thread ended).
void Wake();

// How the toolkit's loop learns that calls are queued: the hook runs on the
// posting thread and must make the loop call RunPending soon. It may be
// called once per Post, so it should coalesce (one loop event while one is
// pending). Set by the Qt application; the headless loop waits on the queue
// itself. An empty function removes the hook; once SetWakeHook returns, the
// old hook is no longer running and will not be called again.
void SetWakeHook(std::function<void()> hook);

}  // namespace MainThread

enum TThreadPriority : std::uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest };

// A thread of the runtime: created suspended, resumed, at normal priority.
// The body is Execute. A derived class must end its body and call WaitFor()
// in its own destructor (its members are gone by the time ~TThread runs);
// ~TThread waits too, as a last resort.
class TThread : public TObject {
 public:
  // C++ cannot run the derived Execute before the derived object exists, so
  // a thread always starts with Resume(); createSuspended = false raises
  // EThread instead of racing with the derived constructor.
  explicit TThread(bool createSuspended = true);
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  std::string ClassName() const override { return "TThread"; }

  void Resume();  // starts a suspended thread; does nothing otherwise
  // Asks the body to end: sets Terminated, which Execute looks at.
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }  // whether Terminate was called
  // The priority asked for (tpNormal at first).
  TThreadPriority Priority() const { return FPriority; }
  // Applies at once to a running thread: a priority the system refuses
  // (above normal without the privilege) raises EThread. Set before Resume,
  // it applies when the thread starts; refused there, the thread runs at
  // normal priority.
  void SetPriority(TThreadPriority priority);
  bool Finished() const;  // whether the body has returned
  // The exception that ended Execute, if one did (after the thread finished).
  std::exception_ptr FatalException() const;

  // Waits for the body to return. On the main thread the wait keeps running
  // queued calls (this thread's Synchronize calls and sent messages among
  // them), so a thread that waits for the main thread can still finish.
  // Raises EThread where the wait could never end: on the thread itself, or
  // on the main thread while InSynchronize().
  void WaitFor();

  // True while one of this thread's Synchronize calls runs on the main
  // thread, or (asked on the main thread) while it handles a message this
  // thread sent and has not replied to: the thread is blocked until that
  // returns, so waiting for it there would never end.
  bool InSynchronize() const;

 protected:
  virtual void Execute() = 0;  // the thread's body

  // Runs call on the main thread while this thread waits; an exception that
  // call raises is raised again here. Called on the main thread, it runs call
  // directly.
  void Synchronize(const std::function<void()>& call);

 private:
  void Start();

  std::thread FThread;
  bool FSuspended = true;
  std::atomic<bool> FTerminated{false};
  TThreadPriority FPriority = tpNormal;
  struct Shared;
  std::shared_ptr<Shared> FShared;
};

// Synchronize for code that is not a TThread: runs call on the main thread
// and waits; rethrows its exception. On the main thread it runs call directly.
void SynchronizeCall(const std::function<void()>& call);
