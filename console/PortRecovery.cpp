#include "console/PortRecovery.h"

#include <QAction>
#include <QWidget>

#include "serial/CPort.h"

TPortRecovery::TPortRecovery(TCustomComPort& port, std::function<bool()> reopen, QWidget& menuHost)
    : QObject(&menuHost),
      FPort(port),
      FReopen(std::move(reopen)),
      FAction(new QAction(QString::fromUtf8("장치가 돌아오면 다시 연결 (reconnect)"), this)) {
  FAction->setObjectName("ReconnectAction");
  FAction->setCheckable(true);
  FAction->setChecked(true);
  connect(FAction, &QAction::toggled, this, [this](bool on) {
    if (!on) Cancel();
  });
  menuHost.setContextMenuPolicy(Qt::ActionsContextMenu);
  menuHost.addAction(FAction);
  connect(&FWatcher, &TDeviceWatcher::Changed, this, [this] { DeviceChanged(); });
}

bool TPortRecovery::Reconnect() const {
  return FAction->isChecked();
}

void TPortRecovery::SetReconnect(bool on) {
  FAction->setChecked(on);
}

std::int32_t TPortRecovery::DeviceLost() {
  if (!Reconnect()) return 0;
  return FWatcher.Watch(FPort.Port());
}

void TPortRecovery::Cancel() {
  FWatcher.Stop();
}

void TPortRecovery::DeviceChanged() {
  // A change that came before the wait ended, or a device not ready yet
  // (the next change tries again).
  if (!Waiting() || FPort.Connected()) return;
  if (FReopen()) FWatcher.Stop();
}
