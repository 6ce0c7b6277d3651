// Threads and the main thread. One main thread runs the toolkit's loop and
// every handler; worker threads hand calls to it with Synchronize and wait.
// Whatever the toolkit (Qt, or the headless loop of the command-line tool
// and the tests), queued calls run on the main thread: from its loop, from
// ProcessMessages, and while it waits for a thread to end.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "platform/runtime/Classes.h"

// The main thread and its queue of calls handed over by other threads.
namespace MainThread {

// Makes the calling thread the main thread (the application does this when
// it is initialised; tests may do it themselves).
void Bind();
bool IsCurrent();

// Queues a call for the main thread and wakes its loop. Any thread.
void Post(std::function<void()> call);

// Runs every call queued so far, in order. Main thread only.
void RunPending();

// Main thread: blocks until done() is true, running queued calls as they
// arrive; never wakes on a timer. done() is checked after every Wake().
void WaitUntil(const std::function<bool()>& done);

// Wakes WaitUntil and the toolkit's loop (for example after a thread ended).
void Wake();

// How the toolkit's loop learns that calls are queued: the hook runs on the
// posting thread and must make the loop call RunPending soon. Set by the Qt
// application; the headless loop waits on the queue itself.
void SetWakeHook(std::function<void()> hook);

}  // namespace MainThread

enum TThreadPriority : std::uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest };

// A thread of the runtime: created suspended (or not), resumed, at normal
// priority. The body is Execute. A derived class must end its body and call
// WaitFor() in its own destructor (its members are gone by the time
// ~TThread runs); ~TThread waits too, as a last resort.
class TThread : public TObject {
 public:
  explicit TThread(bool createSuspended);
  ~TThread() override;
  std::string ClassName() const override { return "TThread"; }

  void Resume();  // starts a suspended thread; does nothing otherwise
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority priority) { FPriority = priority; }
  bool Finished() const;

  // Waits for the body to return. On the main thread the wait keeps running
  // queued calls (this thread's Synchronize calls and sent messages among
  // them), so a thread that waits for the main thread can still finish.
  void WaitFor();

 protected:
  virtual void Execute() = 0;

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
// and waits; rethrows its exception.
void SynchronizeCall(const std::function<void()>& call);
