// Qt's loop watches an event handle with an event notifier, which tells the
// loop when the handle is signalled (QEvent::WinEventAct to the notifier).
#include "platform/qt/core/WaitableNotifier.h"

#include <QWinEventNotifier>

#include <windows.h>

namespace {

class HandleNotifier : public WaitableNotifier {
 public:
  explicit HandleNotifier(loop::Waitable handle) : FNotifier(reinterpret_cast<HANDLE>(handle)) {
    FNotifier.setEnabled(false);
  }
  void SetEnabled(bool enabled) override { FNotifier.setEnabled(enabled); }
  const QObject* Object() const override { return &FNotifier; }

 private:
  QWinEventNotifier FNotifier;
};

}  // namespace

bool CanNotifyWaitables() {
  return true;
}

std::unique_ptr<WaitableNotifier> MakeWaitableNotifier(loop::Waitable waitable) {
  return std::make_unique<HandleNotifier>(waitable);
}

QEvent::Type NotifierEventType() {
  return QEvent::WinEventAct;
}
