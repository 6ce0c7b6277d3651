#include "platform/qt/core/QtLoopBackend.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "platform/qt/core/QtSources.h"
#include "platform/runtime/LoopSources.h"
#include "platform/runtime/Threads.h"

namespace {

QEvent::Type WakeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

// Lives on the main thread; a wake event makes it run the queued calls.
class QtLoopBackend::Receiver : public QObject {
 public:
  explicit Receiver(std::atomic<bool>& pending) : FPending(pending) {}

  bool event(QEvent* event) override {
    if (event->type() != WakeEventType()) return QObject::event(event);
    // Cleared first: a call queued from now on posts a new event.
    FPending.store(false);
    MainThread::RunPending();
    return true;
  }

 private:
  std::atomic<bool>& FPending;
};

QtLoopBackend::QtLoopBackend() : FReceiver(std::make_unique<Receiver>(FWakePending)) {}

QtLoopBackend::~QtLoopBackend() {
  MainThread::SetWakeHook(nullptr);
  if (FSources) MainThread::SetSourcesServed(false);
}

void QtLoopBackend::Initialize() {
  Receiver* receiver = FReceiver.get();
  MainThread::SetWakeHook([this, receiver] {
    if (FWakePending.exchange(true)) return;  // one event is on its way already
    FWakeEvents.fetch_add(1);
    QCoreApplication::postEvent(receiver, new QEvent(WakeEventType()));
  });
  if (CanNotifyWaitables()) {
    FSources = std::make_unique<QtSources>();
    MainThread::SetSourcesServed(true);
  }
  // Calls queued before the hook existed.
  MainThread::Wake();
}

void QtLoopBackend::Run() {
  if (FTerminated.load()) return;
  QCoreApplication::exec();
}

void QtLoopBackend::Terminate() {
  FTerminated.store(true);
  // Queued, so that it works from any thread and also ends a loop that has
  // not started yet.
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                            Qt::QueuedConnection);
}

void QtLoopBackend::ProcessMessages() {
  QCoreApplication::processEvents();
  MainThread::RunPending();
  if (FSources) MainThread::ServeSources();
}

void QtLoopBackend::ShowMessage(const std::string& text) {
  HeadlessBackend().ShowMessage(text);
}

void QtLoopBackend::ShowException(const std::string& message) {
  HeadlessBackend().ShowException(message);
}
