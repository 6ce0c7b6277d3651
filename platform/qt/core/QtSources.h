// The main thread's sources served by Qt's loop. As the loop is about to
// sleep, every source gives it what to sleep on, watched by notifiers, and
// the sleep's deadline, watched by a timer; the first event the loop
// delivers after that (or its waking) ends the sleep, after a look at what
// is ready, before any other code runs. Ready work runs
// from an event of this object or of a notifier, like any event handler. A
// loop that only looks in passing (processEvents without waiting) gets the
// work that a source has now.
#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/qt/core/WaitableNotifier.h"
#include "platform/runtime/LoopSources.h"

class QtSources : public QObject {
 public:
  // On the main thread, once the QCoreApplication exists.
  QtSources();
  ~QtSources() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void BeforeSleep();
  void EndSleep();
  void LookInPassing();
  void PostDispatch();
  bool IsOurs(const QObject* watched) const;

  MainThread::SourceSleep FSleep;
  std::vector<loop::Waitable> FWaitables;  // of the sleep under way
  std::unordered_map<loop::Waitable, std::unique_ptr<WaitableNotifier>> FNotifiers;
  QTimer FDeadline;  // the sleep's deadline, when it has one
  bool FDispatchPosted = false;
};
