// Work that the main thread's loop waits for besides its queue of calls: a
// source lends the loop what to sleep on (descriptors on POSIX, handles on
// Windows) and runs its work on the main thread when they are ready, so that
// nobody else has to wake and hand it over. The headless loop (WaitUntil)
// serves sources, and so does Qt's loop where the Qt backend can watch them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace MainThread {

// What a loop sleeps on for a source: a descriptor polled for input on
// POSIX, a handle waited for on Windows.
using Waitable = std::intptr_t;

// How a waitable was found after a sleep.
enum Readiness : char {
  kNotReady = 0,
  kReady = 1,
  kHungUp = 2,  // POSIX: the descriptor reported a hang-up or an error
};

class Source {
 public:
  virtual ~Source() = default;
  // Before the loop sleeps: appends the waitables to sleep on; false when
  // there is work now (the loop does not sleep). Finish follows either way,
  // before the next Prepare.
  virtual bool Prepare(std::vector<Waitable>& waitables) = 0;
  // After the sleep, whatever ended it: how each waitable that Prepare
  // appended was found, in order. Runs no program code.
  virtual void Finish(const Readiness* ready) = 0;
  // Runs the work that is ready, if there is some (program code may run).
  virtual void Dispatch() = 0;
  // Whether there is work now, found without a system call: for a loop that
  // looks in passing without sleeping.
  virtual bool Ready() = 0;
};

// Whether the loop of this program serves sources: set by the application
// backend whose loop does (the headless one, Qt's where it can). A source
// added otherwise would never be served.
bool SourcesServed();
void SetSourcesServed(bool served);

// Any thread: the loop serves the source from its next round on (the loop is
// woken for it).
void AddSource(std::shared_ptr<Source> source);
// Main thread: from now on the loop calls nothing of the source but a Finish
// of a sleep already prepared; a call of it that is running (this one's
// caller) runs to its end.
void RemoveSource(const Source* source);
bool HasSources();

struct SourceEntry;  // a source in the list

// Main thread: one sleep of a loop over every source.
class SourceSleep {
 public:
  // Prepares every source: false when one has work now.
  bool Prepare(std::vector<Waitable>& waitables);
  // How each waitable of Prepare was found, in order; ends the sleep.
  void Finish(const Readiness* ready);
  bool Prepared() const { return FPrepared; }

 private:
  std::vector<std::pair<std::shared_ptr<SourceEntry>, std::size_t>> FSources;  // with their counts
  bool FPrepared = false;
};

// Main thread: runs the ready work of every source.
void DispatchSources();
// Main thread: whether a source has work now (Source::Ready).
bool AnySourceReady();
// How each waitable is found now, without sleeping.
void LookAt(const std::vector<Waitable>& waitables, std::vector<Readiness>& ready);

// Main thread: serves every source without sleeping: what is ready is found
// and its work runs (ProcessMessages does this).
void ServeSources();

}  // namespace MainThread
