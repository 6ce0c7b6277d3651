// The device watch (platform/serial/DeviceWatch.h) in the main thread's loop:
// Changed is emitted, queued, each time the system tells of something that
// may concern the watched port's device. Where the watch has a descriptor
// (Linux), the loop sleeps on it as one of its sources (LoopSources.h); on
// Windows the system calls in through the loop's messages by itself.
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>

class TDeviceWatcher : public QObject {
  Q_OBJECT

 public:
  explicit TDeviceWatcher(QObject* parent = nullptr);
  ~TDeviceWatcher() override;

  // Main thread. Watches for the device of `port`, in place of the port
  // watched before. Returns 0, or the system's error number when it refuses
  // to watch.
  std::int32_t Watch(const std::string& port);
  void Stop();
  bool Watching() const { return FSource != nullptr; }

 signals:
  void Changed();

 private:
  class TSource;
  std::shared_ptr<TSource> FSource;  // holds the watch
};
