// The handler types of a port's events, and TComLink: the record of slots
// through which a control (the signal LED) hears about a port. The control
// owns the link and registers it with the port; the port only refers to it.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/runtime/Classes.h"
#include "serial/CPortTypes.h"

// A handler that takes only the sender (as Classes.h declares it).
using TNotifyEvent = std::function<void(TObject* Sender)>;
// OnRxChar's handler: the number of bytes waiting in the input queue.
using TRxCharEvent = std::function<void(TObject* Sender, std::int32_t Count)>;
// OnRxBuf's handler: the received bytes themselves.
using TRxBufEvent = std::function<void(TObject* Sender, const void* Buffer, std::int32_t Count)>;
// A modem line's handler: its new level.
using TComSignalEvent = std::function<void(TObject* Sender, bool OnOff)>;
// OnError's handler: the line errors the device reported.
using TComErrorEvent = std::function<void(TObject* Sender, TComErrors Errors)>;

// The slots through which a control hears about a port it is linked to.
class TComLink : public TObject {
 public:
  std::string ClassName() const override { return "TComLink"; }

  // Each slot is called, with the port as Sender, only if assigned.
  TComSignalEvent OnConnChange;  // the port was opened (on) or closed (off)
  TRxBufEvent OnRxBuf;           // received bytes handed over as a buffer
  TRxBufEvent OnTxData;          // the bytes of a finished write
  TNotifyEvent OnTxEmpty;        // the transmit queue became empty
  TNotifyEvent OnRxFlag;         // the event character was received
  TComSignalEvent OnCTSChange;   // CTS level: on a change, at open and at close
  TComSignalEvent OnDSRChange;   // DSR level, as CTS
  TComSignalEvent OnRLSDChange;  // RLSD (carrier detect) level, as CTS
  TNotifyEvent OnRing;           // a ring indication
  TComSignalEvent OnTxActive;    // a write started (on), the transmit queue emptied (off)
  TComSignalEvent OnRxActive;    // bytes are waiting (on), a read left the queue empty (off)
};
