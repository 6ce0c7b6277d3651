// The loop stop's source, the same on every system; each system's file makes
// the signals' waitable and reads it. The alarm is the only state another
// thread touches.
#include "tools/cli/LoopStop.h"

#include <mutex>
#include <utility>

#include "platform/loop/LoopSource.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/LoopSources.h"
#include "platform/runtime/Threads.h"

class TLoopStop::TSource final : public loop::Source {
 public:
  explicit TSource(std::intptr_t signals) : FSignals(signals) {}

  // Main thread.
  void Start(std::optional<TClock::time_point> deadline, std::function<void()> stop,
             std::function<void()> ring) {
    FDeadline = deadline;
    FStop = std::move(stop);
    FRing = std::move(ring);
    FFound = loop::Readiness::kNotReady;
    FRunning = true;
  }

  // Main thread: true if it was running (and must leave the loop's sources).
  bool Leave() {
    FStop = nullptr;
    FRing = nullptr;
    return std::exchange(FRunning, false);
  }

  void SetAlarm(std::optional<TClock::time_point> at) {
    std::lock_guard guard(FAlarmLock);
    FAlarm = at;
  }

  int Signal() const { return FSignal; }

  bool Prepare(loop::SleepPlan& plan) override {
    FAppended = false;
    if (!FRunning || FDispatching) return true;  // a nested loop does not sleep on it
    if (FFound != loop::Readiness::kNotReady) return false;
    const auto now = TClock::now();
    if (FDeadline && now >= *FDeadline) return false;
    {
      std::lock_guard guard(FAlarmLock);
      if (FAlarm && now >= *FAlarm) return false;
      if (FAlarm) plan.WakeBy(*FAlarm);
    }
    if (FDeadline) plan.WakeBy(*FDeadline);
    plan.waitables.push_back(FSignals);
    FAppended = true;
    return true;
  }

  void Finish(const loop::Readiness* ready) override {
    if (std::exchange(FAppended, false)) FFound = ready[0];
  }

  bool Ready() override {
    if (!FRunning || FDispatching) return false;
    if (FFound != loop::Readiness::kNotReady) return true;
    const auto now = TClock::now();
    if (FDeadline && now >= *FDeadline) return true;
    std::lock_guard guard(FAlarmLock);
    return FAlarm && now >= *FAlarm;
  }

  void Dispatch() override {
    if (!FRunning || FDispatching) return;
    const loop::Readiness found = std::exchange(FFound, loop::Readiness::kNotReady);
    // Signals that can no longer be waited on end the loop rather than leave
    // it without a way to end.
    if (found == loop::Readiness::kHungUp) return End(0);
    if (found == loop::Readiness::kReady) {
      if (const int signal = TakeSignal(FSignals)) return End(signal);
    }
    const auto now = TClock::now();
    if (FDeadline && now >= *FDeadline) return End(0);
    if (!TakeAlarm(now) || !FRing) return;
    // A copy: the ring's handlers may finish the stop, or run a loop of their
    // own, which serves this source again meanwhile.
    const std::function<void()> ring = FRing;
    FDispatching = true;
    Call(ring);
    FDispatching = false;
  }

 private:
  bool TakeAlarm(TClock::time_point now) {
    std::lock_guard guard(FAlarmLock);
    if (!FAlarm || now < *FAlarm) return false;
    FAlarm.reset();
    return true;
  }

  void End(int signal) {
    if (signal != 0) FSignal = signal;
    const std::function<void()> stop = std::move(FStop);
    Leave();
    MainThread::RemoveSource(this);
    if (stop) Call(stop);
  }

  // Program code, whose failure is shown as a queued call's is.
  static void Call(const std::function<void()>& call) {
    try {
      call();
    } catch (...) {
      ReportException(nullptr);
    }
  }

  const std::intptr_t FSignals;
  // Main thread only.
  std::optional<TClock::time_point> FDeadline;
  std::function<void()> FStop;
  std::function<void()> FRing;
  bool FRunning = false;
  bool FDispatching = false;
  bool FAppended = false;  // the signals are in the sleep under way
  loop::Readiness FFound = loop::Readiness::kNotReady;
  int FSignal = 0;
  // Any thread.
  std::mutex FAlarmLock;
  std::optional<TClock::time_point> FAlarm;
};

TLoopStop::TLoopStop() : FSignals(OpenSignals()), FSource(std::make_shared<TSource>(FSignals)) {}

TLoopStop::~TLoopStop() {
  Finish();
  CloseSignals(FSignals);
}

void TLoopStop::Start(std::optional<TClock::time_point> deadline, std::function<void()> stop,
                      std::function<void()> ring) {
  Finish();
  FSource->Start(deadline, std::move(stop), std::move(ring));
  MainThread::AddSource(FSource);
}

void TLoopStop::Finish() {
  if (FSource->Leave()) MainThread::RemoveSource(FSource.get());
}

void TLoopStop::SetAlarm(std::optional<TClock::time_point> at) {
  FSource->SetAlarm(at);
  // On the main thread the loop's next sleep is prepared after this call.
  if (!MainThread::IsCurrent()) MainThread::Wake();
}

int TLoopStop::Signal() const {
  return FSource->Signal();
}
