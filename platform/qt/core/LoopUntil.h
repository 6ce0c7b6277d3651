// Runs the Qt loop until a condition holds: for programs and tests that drive
// the window or a port from outside, with a bound against hangs.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Sleeps in the loop until events come and checks `done` after each batch
// and every `recheckMs` (a condition another thread makes true posts
// nothing); false when `boundMs` passes first. With `recheckMs` 0 the loop
// wakes only for events, so an idle wait costs nothing (for measuring one).
inline bool LoopUntil(const std::function<bool()>& done, int boundMs = 10'000, int recheckMs = 10) {
  bool expired = false;
  QTimer bound;
  bound.setSingleShot(true);
  QObject::connect(&bound, &QTimer::timeout, [&expired] { expired = true; });
  bound.start(boundMs);
  QTimer recheck;  // its time-outs only wake the loop
  if (recheckMs > 0) recheck.start(recheckMs);
  while (!done() && !expired) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return done();
}
