// A Qt object that tells the main thread's loop when a source's waitable is
// ready: a socket notifier on a descriptor (POSIX), an event notifier on a
// handle (Windows). One implementation per system.
#pragma once

#include <QEvent>
#include <QObject>

#include <memory>

#include "platform/loop/LoopSource.h"

class WaitableNotifier {
 public:
  virtual ~WaitableNotifier() = default;
  virtual void SetEnabled(bool enabled) = 0;
  // The object that receives the notifier's events.
  virtual const QObject* Object() const = 0;
};

// Whether Qt's loop can watch the sources' waitables on this system.
bool CanNotifyWaitables();
// A disabled notifier for waitable (null where CanNotifyWaitables is false).
std::unique_ptr<WaitableNotifier> MakeWaitableNotifier(loop::Waitable waitable);
// The type of the event a notifier's object receives when it fires.
QEvent::Type NotifierEventType();
