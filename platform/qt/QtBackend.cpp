#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QObject>

#include "platform/runtime/Threads.h"

namespace {

QEvent::Type WakeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void ShowBox(QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, QGuiApplication::applicationDisplayName(), QString::fromStdString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace

// Lives on the main thread; a wake event makes it run the queued calls.
class QtBackend::Receiver : public QObject {
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

QtBackend::QtBackend() : FReceiver(std::make_unique<Receiver>(FWakePending)) {}

QtBackend::~QtBackend() {
  MainThread::SetWakeHook(nullptr);
}

void QtBackend::Initialize() {
  Receiver* receiver = FReceiver.get();
  MainThread::SetWakeHook([this, receiver] {
    if (FWakePending.exchange(true)) return;  // one event is on its way already
    FWakeEvents.fetch_add(1);
    QCoreApplication::postEvent(receiver, new QEvent(WakeEventType()));
  });
  // Calls queued before the hook existed.
  MainThread::Wake();
}

void QtBackend::Run() {
  if (FTerminated.load()) return;
  QApplication::exec();
}

void QtBackend::Terminate() {
  FTerminated.store(true);
  // Queued, so that it works from any thread and also ends a loop that has
  // not started yet.
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void QtBackend::ProcessMessages() {
  QCoreApplication::processEvents();
  MainThread::RunPending();
}

void QtBackend::ShowMessage(const std::string& text) {
  ShowBox(QMessageBox::NoIcon, text);
}

void QtBackend::ShowException(const std::string& message) {
  ShowBox(QMessageBox::Critical, message);
}
