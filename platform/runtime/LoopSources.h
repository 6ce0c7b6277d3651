// The main thread's list of loop sources (the contract: platform/loop/LoopSource.h)
// and one sleep over all of them. The headless loop (WaitUntil) serves
// sources, and so does Qt's loop where the Qt backend can watch them.
#pragma once

#include <memory>
#include <vector>

#include "platform/loop/LoopSource.h"

namespace MainThread {

// Whether the loop of this program serves sources: set by the application
// backend whose loop does (the headless one, Qt's where it can). A source
// added otherwise would never be served.
bool SourcesServed();
void SetSourcesServed(bool served);

// Any thread: the loop serves the source from its next round on (the loop is
// woken for it).
void AddSource(std::shared_ptr<loop::Source> source);
// Main thread: from now on the loop calls nothing of the source but a Finish
// of a sleep already prepared; a call of it that is running (this one's
// caller) runs to its end.
void RemoveSource(const loop::Source* source);
bool HasSources();

struct SourceEntry;  // a source in the list

// Main thread: one sleep of a loop over every source.
class SourceSleep {
 public:
  // Prepares every source: false when one has work now.
  bool Prepare(loop::SleepPlan& plan);
  // How each waitable of Prepare was found, in order; ends the sleep.
  void Finish(const loop::Readiness* ready);
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
void LookAt(const std::vector<loop::Waitable>& waitables, std::vector<loop::Readiness>& ready);

// Main thread: serves every source without sleeping: what is ready is found
// and its work runs (ProcessMessages does this).
void ServeSources();

}  // namespace MainThread
