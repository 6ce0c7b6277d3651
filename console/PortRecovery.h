// Reconnecting: after the port's device was lost, the window reopens the
// same port, with its settings, as soon as the system tells that the device
// is back (no polling). The option is on by default and sits in the
// window's context menu, so the stored layout stays as it is. The operator
// taking the port in hand (opening, closing, picking a port) ends the wait.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

#include "platform/qt/DeviceWatcher.h"

class QAction;
class QWidget;
class TCustomComPort;

class TPortRecovery : public QObject {
  Q_OBJECT

 public:
  // `reopen` opens the port as Open COM does and says whether it opened.
  // The option's action joins `menuHost`'s context menu.
  TPortRecovery(TCustomComPort& port, std::function<bool()> reopen, QWidget& menuHost);

  bool Reconnect() const;
  void SetReconnect(bool on);
  QAction& ReconnectAction() const { return *FAction; }

  // The device is gone and the port closed: with the option on, the port
  // waits for its device. Returns 0, or the system's error number when the
  // system cannot watch for it (the port then does not wait).
  std::int32_t DeviceLost();
  // The operator took the port in hand: it no longer waits.
  void Cancel();
  bool Waiting() const { return FWatcher.Watching(); }

 private:
  void DeviceChanged();

  TCustomComPort& FPort;
  std::function<bool()> FReopen;
  QAction* FAction;
  TDeviceWatcher FWatcher;
};
