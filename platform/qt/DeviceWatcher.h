// The device watch (platform/serial/DeviceWatch.h) in the Qt event loop:
// Changed is emitted, from the loop, each time the system tells of
// something that may concern the watched port's device.
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>

class QSocketNotifier;
namespace comm {
class DeviceWatch;
}

class TDeviceWatcher : public QObject {
  Q_OBJECT

 public:
  explicit TDeviceWatcher(QObject* parent = nullptr);
  ~TDeviceWatcher() override;

  // Watches for the device of `port`, in place of the port watched before.
  // Returns 0, or the system's error number when it refuses to watch.
  std::int32_t Watch(const std::string& port);
  void Stop();
  bool Watching() const { return FWatch != nullptr; }

 signals:
  void Changed();

 private:
  std::unique_ptr<comm::DeviceWatch> FWatch;
  QSocketNotifier* FNotifier = nullptr;
};
