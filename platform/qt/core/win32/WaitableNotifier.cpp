// Qt's loop on Windows does not watch the sources' handles here: a port
// whose wait would go to the main loop keeps it on its event thread.
#include "platform/qt/core/WaitableNotifier.h"

bool CanNotifyWaitables() {
  return false;
}

std::unique_ptr<WaitableNotifier> MakeWaitableNotifier(MainThread::Waitable) {
  return nullptr;
}
