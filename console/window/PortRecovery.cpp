#include "console/window/PortRecovery.h"

#include <QAction>
#include <QWidget>

#include "platform/serial/SystemErrorNumbers.h"
#include "serial/CPort.h"

namespace {

// The device is not there (yet): nothing to report at the first look.
bool Missing(const std::exception& error) {
  const auto* portError = dynamic_cast<const EComPortExt*>(&error);
  return portError != nullptr && portError->ErrorCode() == ecOpenFailed &&
         portError->SystemErrorCode() == comm::kErrNoDevice;
}

}  // namespace

TPortRecovery::TPortRecovery(TCustomComPort& port, std::function<void()> reopen, TFailed failed,
                             QWidget& menuHost)
    : QObject(&menuHost),
      FPort(port),
      FReopen(std::move(reopen)),
      FFailed(std::move(failed)),
      FAction(new QAction(QString::fromUtf8("장치가 돌아오면 다시 연결 (reconnect)"), this)) {
  FAction->setObjectName("ReconnectAction");
  FAction->setCheckable(true);
  FAction->setChecked(true);
  connect(FAction, &QAction::toggled, this, [this](bool on) {
    if (!on) Cancel();
  });
  menuHost.setContextMenuPolicy(Qt::ActionsContextMenu);
  menuHost.addAction(FAction);
  connect(&FWatcher, &TDeviceWatcher::Changed, this, [this] {
    FRetries = 0;  // a change starts the tries afresh
    TryReopen(false);
  });
  FRetry.setSingleShot(true);
  connect(&FRetry, &QTimer::timeout, this, [this] { TryReopen(false); });
}

bool TPortRecovery::Reconnect() const {
  return FAction->isChecked();
}

void TPortRecovery::SetReconnect(bool on) {
  FAction->setChecked(on);
}

std::int32_t TPortRecovery::DeviceLost() {
  if (!Reconnect()) return 0;
  FRetry.stop();
  FRetries = 0;
  const std::int32_t error = FWatcher.Watch(FPort.Port());
  // After the port has closed, which it does once its loss is told.
  if (error == 0) {
    QMetaObject::invokeMethod(this, [this] { TryReopen(true); }, Qt::QueuedConnection);
  }
  return error;
}

void TPortRecovery::Cancel() {
  FRetry.stop();
  FWatcher.Stop();
}

void TPortRecovery::TryReopen(bool firstLook) {
  // A look or change that came after the wait ended.
  if (!Waiting() || FPort.Connected()) return;
  FRetry.stop();
  try {
    FReopen();
  } catch (const std::exception& error) {
    if (firstLook && Missing(error)) return;  // the next change tells when it is back
    std::optional<std::chrono::milliseconds> next;
    if (FRetries < std::size(kRetryWaits)) next = kRetryWaits[FRetries++];
    if (next) FRetry.start(*next);
    FFailed(error, next);
    return;
  }
  Cancel();
}
