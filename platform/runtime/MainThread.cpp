// The main thread's queue of handed-over calls. Every call carries a
// sequence number so that RunPending runs only what was queued before it
// started, one call at a time: a call that pumps the queue itself (a nested
// RunPending, a modal loop) then still sees the queue in order. The loop of
// WaitUntil sleeps on the queue's wake-up signal and the sources' waitables;
// a call or a wake sets the signal only while the loop sleeps.
#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>

#include "platform/runtime/Application.h"
#include "platform/runtime/LoopSleep.h"
#include "platform/runtime/LoopSources.h"
#include "platform/runtime/Threads.h"

namespace MainThread {
namespace {

struct Queue {
  std::mutex lock;
  std::deque<std::pair<std::uint64_t, std::function<void()>>> calls;
  std::uint64_t nextSequence = 0;
  std::uint64_t wakes = 0;  // grows with every Post and Wake
  bool sleeping = false;    // the loop sleeps (or is about to): wakes must set the signal
  bool kicked = false;      // the signal is set, or about to be, and not drained yet

  std::mutex hookLock;  // held while the hook runs, so that it can be replaced safely
  std::function<void()> hook;
};

// Never destroyed: worker threads may still post while the process exits.
Queue& TheQueue() {
  static Queue* queue = new Queue;
  return *queue;
}

std::atomic<std::thread::id> boundThread{};

// With q.lock held, after wakes grew: whether the caller must set the
// loop's wake-up signal once the lock is released.
bool NeedsKick(Queue& q) {
  if (!q.sleeping || q.kicked) return false;
  q.kicked = true;
  return true;
}

// One sleep of WaitUntil's loop, unless wakes moved past seen or a source
// has work now.
void Sleep(Queue& q, std::uint64_t seen) {
  SourceSleep sources;
  loop::SleepPlan plan;
  bool block = sources.Prepare(plan);
  {
    std::lock_guard guard(q.lock);
    if (q.wakes != seen) block = false;
    if (block) {
      // A signal not drained yet is drained now; one that is still on its
      // way wakes this sleep once and is drained by the next.
      if (q.kicked && LoopSleep::Drain()) q.kicked = false;
      q.sleeping = true;
    }
  }
  std::vector<loop::Readiness> ready(plan.waitables.size(), loop::Readiness::kNotReady);
  if (block) {
    LoopSleep::Wait(plan, ready, true);
    std::lock_guard guard(q.lock);
    q.sleeping = false;
  }
  sources.Finish(ready.data());
}

void CallHook() {
  Queue& q = TheQueue();
  std::lock_guard guard(q.hookLock);
  if (q.hook) q.hook();
}

void RequireMainThread(const char* what) {
  if (!IsCurrent()) {
    throw EThread(std::string(what) + " must be called on the main thread");
  }
}

}  // namespace

void Bind() {
  boundThread.store(std::this_thread::get_id());
}

bool IsBound() {
  return boundThread.load() != std::thread::id();
}

bool IsCurrent() {
  return boundThread.load() == std::this_thread::get_id();
}

void Post(std::function<void()> call) {
  Queue& q = TheQueue();
  bool kick;
  {
    std::lock_guard guard(q.lock);
    q.calls.emplace_back(q.nextSequence++, std::move(call));
    ++q.wakes;
    kick = NeedsKick(q);
  }
  if (kick) LoopSleep::Kick();
  CallHook();
}

void RunPending() {
  RequireMainThread("RunPending");
  Queue& q = TheQueue();
  std::uint64_t end = 0;
  {
    std::lock_guard guard(q.lock);
    if (q.calls.empty()) return;
    end = q.nextSequence;
  }
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard guard(q.lock);
      if (q.calls.empty() || q.calls.front().first >= end) return;
      call = std::move(q.calls.front().second);
      q.calls.pop_front();
    }
    try {
      call();
    } catch (...) {
      ReportException(nullptr);  // the operator sees it like any other failure
    }
  }
}

void WaitUntil(const std::function<bool()>& done) {
  RequireMainThread("WaitUntil");
  Queue& q = TheQueue();
  for (;;) {
    std::uint64_t seen = 0;
    {
      std::lock_guard guard(q.lock);
      seen = q.wakes;
    }
    RunPending();
    DispatchSources();
    if (done()) return;
    Sleep(q, seen);
  }
}

void Wake() {
  Queue& q = TheQueue();
  bool kick;
  {
    std::lock_guard guard(q.lock);
    ++q.wakes;
    kick = NeedsKick(q);
  }
  if (kick) LoopSleep::Kick();
  CallHook();
}

void SetWakeHook(std::function<void()> hook) {
  Queue& q = TheQueue();
  std::lock_guard guard(q.hookLock);
  q.hook = std::move(hook);
}

}  // namespace MainThread
