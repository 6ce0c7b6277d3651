// The alarm of the loop stop, the same on every system; each system's file
// wakes the helper and waits.
#include "tools/cli/LoopStop.h"

void TLoopStop::SetAlarm(std::optional<TClock::time_point> at) {
  {
    std::lock_guard guard(FAlarmLock);
    FAlarm = at;
  }
  WakeHelper();  // to wait for the new time
}

std::optional<TLoopStop::TClock::time_point> TLoopStop::WakeAt(
    std::optional<TClock::time_point> deadline) {
  std::lock_guard guard(FAlarmLock);
  if (!FAlarm) return deadline;
  if (!deadline) return FAlarm;
  return std::min(*deadline, *FAlarm);
}

bool TLoopStop::TakeAlarm(TClock::time_point now) {
  std::lock_guard guard(FAlarmLock);
  if (!FAlarm || now < *FAlarm) return false;
  FAlarm.reset();
  return true;
}
