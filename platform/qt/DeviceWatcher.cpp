// The watch's source owns the watch, so that its descriptor is closed only
// once the loop holds the source no more (a sleep prepared on it included).
#include "platform/qt/DeviceWatcher.h"

#include <utility>

#include "platform/loop/LoopSource.h"
#include "platform/runtime/LoopSources.h"
#include "platform/serial/DeviceWatch.h"

// Main thread only, like every call of the loop.
class TDeviceWatcher::TSource final : public loop::Source {
 public:
  explicit TSource(std::unique_ptr<comm::DeviceWatch> watch) : FWatch(std::move(watch)) {}

  bool Prepare(loop::SleepPlan& plan) override {
    FAppended = false;
    if (FFound != loop::Readiness::kNotReady) return false;
    plan.waitables.push_back(FWatch->Descriptor());
    FAppended = true;
    return true;
  }

  void Finish(const loop::Readiness* ready) override {
    if (std::exchange(FAppended, false)) FFound = ready[0];
  }

  void Dispatch() override {
    // The watch reads what the descriptor holds and tells a change queued:
    // no program code runs here.
    if (std::exchange(FFound, loop::Readiness::kNotReady) != loop::Readiness::kNotReady) {
      FWatch->Dispatch();
    }
  }

  bool Ready() override { return FFound != loop::Readiness::kNotReady; }

 private:
  std::unique_ptr<comm::DeviceWatch> FWatch;
  bool FAppended = false;  // the descriptor is in the sleep under way
  loop::Readiness FFound = loop::Readiness::kNotReady;
};

TDeviceWatcher::TDeviceWatcher(QObject* parent) : QObject(parent) {}

TDeviceWatcher::~TDeviceWatcher() {
  Stop();
}

std::int32_t TDeviceWatcher::Watch(const std::string& port) {
  Stop();
  std::int32_t error = 0;
  // Queued: a receiver of Changed may stop or replace the watch, which must
  // not happen while the watch is still telling.
  auto watch = comm::DeviceWatch::Start(
      port,
      [this] { QMetaObject::invokeMethod(this, &TDeviceWatcher::Changed, Qt::QueuedConnection); },
      &error);
  if (watch == nullptr) return error;
  const bool inLoop = watch->Descriptor() >= 0;
  FSource = std::make_shared<TSource>(std::move(watch));
  if (inLoop) MainThread::AddSource(FSource);
  return 0;
}

void TDeviceWatcher::Stop() {
  if (FSource == nullptr) return;
  MainThread::RemoveSource(FSource.get());
  FSource.reset();
}
