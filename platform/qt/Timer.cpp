#include "platform/qt/Timer.h"

#include <QTimer>

#include <algorithm>
#include <climits>

#include "platform/qt/GuardedApplication.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner), FTimer(std::make_unique<QTimer>()) {
  FTimer->setTimerType(Qt::PreciseTimer);  // 10 ms means 10 ms, not "about 10"
  QObject::connect(FTimer.get(), &QTimer::timeout, Guarded(this, [this] {
                     if (OnTimer) OnTimer(this);
                   }));
  Update();
}

TTimer::~TTimer() {
  FTimer->stop();
}

void TTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Update();
}

void TTimer::SetInterval(unsigned value) {
  if (value == FInterval) return;
  FInterval = value;
  Update();
}

// Restarts the count from now, as a change of either setting does.
void TTimer::Update() {
  if (FEnabled && FInterval > 0) {
    FTimer->start(static_cast<int>(std::min<unsigned>(FInterval, INT_MAX)));
  } else {
    FTimer->stop();
  }
}
