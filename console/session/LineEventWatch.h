// What the window and dispenser-cli monitor tell of a port's line: sets the
// port's handlers for breaks, line errors and modem-line changes and hands
// on each event, a burst summed up (TLineEventBursts). The modem-line states
// the port reports as it opens and closes are no change of the line and are
// left out. Toolkit-free: the owner rings the alarm the summaries need.
#pragma once

#include <array>
#include <functional>
#include <optional>

#include "console/session/LineEvents.h"
#include "serial/CPort.h"

class TLineEventWatch {
 public:
  using TClock = TLineEventBursts::TClock;
  using TShow = std::function<void(const TLineEvent& event)>;
  // Sets (or, with nothing, stops) the owner's alarm: AlarmRang at that time.
  using TSetAlarm = std::function<void(std::optional<TClock::time_point> at)>;

  // Watches `port` from now on (the port may be open already); it must
  // outlive the watch or Finish.
  TLineEventWatch(TCustomComPort& port, TShow show, TSetAlarm setAlarm);
  ~TLineEventWatch();
  TLineEventWatch(const TLineEventWatch&) = delete;
  TLineEventWatch& operator=(const TLineEventWatch&) = delete;

  // Shows the summaries whose second is over.
  void AlarmRang();
  // Stops watching and shows the summaries of the seconds still open.
  void Finish();

 private:
  void Add(const TLineEvent& event);
  void ModemLine(TLineEventKind kind, TModemSignal signal, bool on);
  void Unhook();

  TCustomComPort* FPort;
  TShow FShow;
  TSetAlarm FSetAlarm;
  TLineEventBursts FBursts;
  // The last state seen of CTS, DSR and RLSD, by signal; unknown before.
  std::array<std::optional<bool>, 4> FKnown;
};
