// The main thread's sources. Added from any thread, called on the main
// thread only; a loop works on a copy of the list, and an entry removed
// meanwhile is skipped, so that a source's work may add and remove sources
// (its own among them) and run loops of its own.
#include "platform/runtime/LoopSources.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/runtime/LoopSleep.h"
#include "platform/runtime/Threads.h"

namespace MainThread {

struct SourceEntry {
  std::shared_ptr<loop::Source> source;
  bool removed = false;  // main thread only
};

namespace {

struct Sources {
  std::mutex lock;
  std::vector<std::shared_ptr<SourceEntry>> entries;
};

// Never destroyed, like the main thread's queue.
Sources& TheSources() {
  static Sources* sources = new Sources;
  return *sources;
}

std::atomic<bool> served{false};

std::vector<std::shared_ptr<SourceEntry>> Snapshot() {
  Sources& s = TheSources();
  std::lock_guard guard(s.lock);
  return s.entries;
}

}  // namespace

bool SourcesServed() {
  return served.load();
}

void SetSourcesServed(bool value) {
  served.store(value);
}

void AddSource(std::shared_ptr<loop::Source> source) {
  auto entry = std::make_shared<SourceEntry>();
  entry->source = std::move(source);
  {
    Sources& s = TheSources();
    std::lock_guard guard(s.lock);
    s.entries.push_back(std::move(entry));
  }
  Wake();
}

void RemoveSource(const loop::Source* source) {
  Sources& s = TheSources();
  std::lock_guard guard(s.lock);
  auto it = std::find_if(s.entries.begin(), s.entries.end(),
                         [source](const auto& entry) { return entry->source.get() == source; });
  if (it == s.entries.end()) return;
  (*it)->removed = true;
  s.entries.erase(it);
}

bool HasSources() {
  Sources& s = TheSources();
  std::lock_guard guard(s.lock);
  return !s.entries.empty();
}

bool SourceSleep::Prepare(loop::SleepPlan& plan) {
  FSources.clear();
  FPrepared = true;
  bool sleep = true;
  for (auto& entry : Snapshot()) {
    const std::size_t before = plan.waitables.size();
    if (!entry->source->Prepare(plan)) sleep = false;
    FSources.emplace_back(std::move(entry), plan.waitables.size() - before);
  }
  return sleep;
}

void SourceSleep::Finish(const loop::Readiness* ready) {
  if (!FPrepared) return;
  FPrepared = false;
  // Removed or not, a source hears the end of a sleep it prepared.
  for (const auto& [entry, count] : FSources) {
    entry->source->Finish(ready);
    if (count > 0) ready += count;
  }
  FSources.clear();
}

void DispatchSources() {
  for (const auto& entry : Snapshot()) {
    if (!entry->removed) entry->source->Dispatch();
  }
}

bool AnySourceReady() {
  for (const auto& entry : Snapshot()) {
    if (!entry->removed && entry->source->Ready()) return true;
  }
  return false;
}

void LookAt(const std::vector<loop::Waitable>& waitables, std::vector<loop::Readiness>& ready) {
  LoopSleep::Wait({waitables, std::nullopt}, ready, false);
}

void ServeSources() {
  if (!HasSources()) return;
  SourceSleep sleep;
  loop::SleepPlan plan;
  std::vector<loop::Readiness> ready;
  if (sleep.Prepare(plan) && !plan.waitables.empty()) LoopSleep::Wait(plan, ready, false);
  ready.resize(plan.waitables.size(), loop::Readiness::kNotReady);
  sleep.Finish(ready.data());
  DispatchSources();
}

}  // namespace MainThread
