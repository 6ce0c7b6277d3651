#include "platform/qt/DeviceWatcher.h"

#include <QSocketNotifier>

#include "platform/serial/DeviceWatch.h"

TDeviceWatcher::TDeviceWatcher(QObject* parent) : QObject(parent) {}

TDeviceWatcher::~TDeviceWatcher() {
  Stop();
}

std::int32_t TDeviceWatcher::Watch(const std::string& port) {
  Stop();
  std::int32_t error = 0;
  // Queued: a receiver of Changed may stop or replace the watch, which must
  // not happen while the watch is still telling.
  FWatch = comm::DeviceWatch::Start(
      port,
      [this] { QMetaObject::invokeMethod(this, &TDeviceWatcher::Changed, Qt::QueuedConnection); },
      &error);
  if (FWatch == nullptr) return error;
  if (FWatch->Descriptor() >= 0) {
    FNotifier = new QSocketNotifier(FWatch->Descriptor(), QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] { FWatch->Dispatch(); });
  }
  return 0;
}

void TDeviceWatcher::Stop() {
  delete FNotifier;
  FNotifier = nullptr;
  FWatch.reset();
}
