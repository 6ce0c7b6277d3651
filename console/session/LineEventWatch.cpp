#include "console/session/LineEventWatch.h"

#include <utility>

TLineEventWatch::TLineEventWatch(TCustomComPort& port, TShow show, TSetAlarm setAlarm)
    : FPort(&port), FShow(std::move(show)), FSetAlarm(std::move(setAlarm)) {
  if (port.Connected()) {
    const TModemSignals signals = port.ModemSignals();
    for (TModemSignal signal : {msCTS, msDSR, msRLSD}) FKnown[signal] = signals.Contains(signal);
  }
  port.SetOnBreak([this](TObject*) { Add({lkBreak}); });
  port.SetOnError([this](TObject*, TComErrors errors) {
    for (TLineEventKind kind : LineErrorKinds(errors)) Add({kind});
  });
  port.SetOnCTSChange([this](TObject*, bool on) { ModemLine(lkCTS, msCTS, on); });
  port.SetOnDSRChange([this](TObject*, bool on) { ModemLine(lkDSR, msDSR, on); });
  port.SetOnRLSDChange([this](TObject*, bool on) { ModemLine(lkRLSD, msRLSD, on); });
  // The ring event comes as the ring line comes on.
  port.SetOnRing([this](TObject*) { Add({lkRing, true}); });
}

TLineEventWatch::~TLineEventWatch() {
  Unhook();
}

void TLineEventWatch::Unhook() {
  if (FPort == nullptr) return;
  FPort->SetOnBreak(nullptr);
  FPort->SetOnError(nullptr);
  FPort->SetOnCTSChange(nullptr);
  FPort->SetOnDSRChange(nullptr);
  FPort->SetOnRLSDChange(nullptr);
  FPort->SetOnRing(nullptr);
  FPort = nullptr;
}

// A change the port reports with the line's state as it is now. As the port
// closes it reports every line off while the device still tells the state:
// such a report, or one the device cannot be asked about, is no change. As it
// opens it reports the states it finds: a change only if they differ from
// those seen last.
void TLineEventWatch::ModemLine(TLineEventKind kind, TModemSignal signal, bool on) {
  try {
    if (FPort->ModemSignals().Contains(signal) != on) return;
  } catch (const std::exception&) {
    return;
  }
  const std::optional<bool> known = std::exchange(FKnown[signal], on);
  if (known && *known != on) Add({kind, on});
}

void TLineEventWatch::Add(const TLineEvent& event) {
  for (const TLineEvent& shown : FBursts.Add(event, TClock::now())) FShow(shown);
  FSetAlarm(FBursts.NextDue());
}

void TLineEventWatch::AlarmRang() {
  for (const TLineEvent& summary : FBursts.TakeDue(TClock::now())) FShow(summary);
  FSetAlarm(FBursts.NextDue());
}

void TLineEventWatch::Finish() {
  Unhook();
  for (const TLineEvent& summary : FBursts.TakeDue(TClock::time_point::max())) FShow(summary);
  FSetAlarm(std::nullopt);
}
