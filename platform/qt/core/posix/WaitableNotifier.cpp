// Qt's loop watches a descriptor with a socket notifier, any descriptor that
// poll() takes.
#include "platform/qt/core/WaitableNotifier.h"

#include <QSocketNotifier>

namespace {

class DescriptorNotifier : public WaitableNotifier {
 public:
  explicit DescriptorNotifier(loop::Waitable fd) : FNotifier(fd, QSocketNotifier::Read) {
    FNotifier.setEnabled(false);
  }
  void SetEnabled(bool enabled) override { FNotifier.setEnabled(enabled); }
  const QObject* Object() const override { return &FNotifier; }

 private:
  QSocketNotifier FNotifier;
};

}  // namespace

bool CanNotifyWaitables() {
  return true;
}

std::unique_ptr<WaitableNotifier> MakeWaitableNotifier(loop::Waitable waitable) {
  return std::make_unique<DescriptorNotifier>(waitable);
}

QEvent::Type NotifierEventType() {
  return QEvent::SockAct;
}
