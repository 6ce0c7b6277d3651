#include "platform/qt/core/QtSources.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace {

QEvent::Type DispatchEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

QtSources::QtSources() {
  FDeadline.setSingleShot(true);
  FDeadline.setTimerType(Qt::PreciseTimer);
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { BeforeSleep(); });
  connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] {
    EndSleep();
    LookInPassing();
  });
  QCoreApplication::instance()->installEventFilter(this);
}

QtSources::~QtSources() {
  if (QCoreApplication::instance() != nullptr) {
    QCoreApplication::instance()->removeEventFilter(this);
  }
  EndSleep();
}

void QtSources::BeforeSleep() {
  if (FSleep.Prepared() || !MainThread::HasSources()) return;
  loop::SleepPlan plan;
  const bool sleep = FSleep.Prepare(plan);
  FWaitables = std::move(plan.waitables);
  for (loop::Waitable waitable : FWaitables) {
    auto& notifier = FNotifiers[waitable];
    if (!notifier) notifier = MakeWaitableNotifier(waitable);
    notifier->SetEnabled(true);
  }
  if (plan.deadline) FDeadline.start(loop::MillisecondsUntil(plan.deadline));
  if (!sleep) PostDispatch();  // work now: the loop must not block
}

void QtSources::EndSleep() {
  if (!FSleep.Prepared()) return;
  for (loop::Waitable waitable : FWaitables) FNotifiers[waitable]->SetEnabled(false);
  FDeadline.stop();
  // Whichever event came first, every waitable is looked at: the work of one
  // that is ready is done now, not left to another thread.
  std::vector<loop::Readiness> ready;
  MainThread::LookAt(FWaitables, ready);
  FSleep.Finish(ready.data());
}

void QtSources::LookInPassing() {
  if (MainThread::HasSources() && MainThread::AnySourceReady()) PostDispatch();
}

void QtSources::PostDispatch() {
  if (FDispatchPosted) return;
  FDispatchPosted = true;
  QCoreApplication::postEvent(this, new QEvent(DispatchEventType()));
}

bool QtSources::IsOurs(const QObject* watched) const {
  if (watched == &FDeadline) return true;
  for (loop::Waitable waitable : FWaitables) {
    if (FNotifiers.at(waitable)->Object() == watched) return true;
  }
  return false;
}

bool QtSources::eventFilter(QObject* watched, QEvent* event) {
  if (!FSleep.Prepared()) return false;
  const bool ours =
      (event->type() == NotifierEventType() || event->type() == QEvent::Timer) && IsOurs(watched);
  EndSleep();
  if (!ours) {
    // The look at the end of the sleep may have found work: it runs after
    // this event.
    LookInPassing();
    return false;
  }
  MainThread::DispatchSources();
  return true;
}

bool QtSources::event(QEvent* event) {
  if (event->type() != DispatchEventType()) return QObject::event(event);
  FDispatchPosted = false;
  MainThread::DispatchSources();
  return true;
}
