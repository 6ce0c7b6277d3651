// Reconnecting: after the port's device was lost, the window reopens the
// same port, with its settings, as soon as the device is back. It looks
// once as the wait begins (a device replugged at once may be back before
// the wait), then whenever the system tells of a change (no polling). A
// reopen that fails is told with its cause and tried again a few times at
// growing intervals, then at the next change. The option is on by default
// and sits in the window's context menu, so the stored layout stays as it
// is. The operator taking the port in hand (opening, closing, picking a
// port) ends the wait.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>

#include "platform/qt/DeviceWatcher.h"

class QAction;
class QWidget;
class TCustomComPort;

class TPortRecovery : public QObject {
  Q_OBJECT

 public:
  // The waits before the tries again after a failed reopen.
  static constexpr std::chrono::milliseconds kRetryWaits[] = {
      std::chrono::milliseconds(250), std::chrono::milliseconds(500),
      std::chrono::milliseconds(1000), std::chrono::milliseconds(2000),
      std::chrono::milliseconds(4000)};

  // `reopen` opens the port as Open COM does and raises what opening
  // raises. `failed` is told of each reopen that failed, with the error and
  // the wait before the next try (none: the next change of the device).
  // The option's action joins `menuHost`'s context menu.
  using TFailed = std::function<void(const std::exception& error,
                                     std::optional<std::chrono::milliseconds> nextTry)>;
  TPortRecovery(TCustomComPort& port, std::function<void()> reopen, TFailed failed,
                QWidget& menuHost);

  bool Reconnect() const;
  void SetReconnect(bool on);
  QAction& ReconnectAction() const { return *FAction; }

  // The device is gone and the port about to close: with the option on,
  // the port waits for its device. Returns 0, or the system's error number
  // when the system cannot watch for it (the port then does not wait).
  std::int32_t DeviceLost();
  // The operator took the port in hand: it no longer waits.
  void Cancel();
  bool Waiting() const { return FWatcher.Watching(); }

 private:
  // `firstLook`: the look as the wait begins, where a device not there
  // (yet) is what is expected and no failure.
  void TryReopen(bool firstLook);

  TCustomComPort& FPort;
  std::function<void()> FReopen;
  TFailed FFailed;
  QAction* FAction;
  TDeviceWatcher FWatcher;
  QTimer FRetry;
  std::size_t FRetries = 0;  // timed tries since the wait began or the last change
};
