// Registering links and telling them, in registration order, what happens.
#include <algorithm>

#include "serial/CPort.h"

void TCustomComPort::RegisterLink(TComLink* link) {
  if (std::find(FLinkList.begin(), FLinkList.end(), link) != FLinkList.end()) {
    throw EComPort(FPort, ecLinkRegistration);
  }
  FLinkList.push_back(link);
  FRxBufLinked = AnyRxBufLink();
}

void TCustomComPort::UnregisterLink(TComLink* link) {
  auto it = std::find(FLinkList.begin(), FLinkList.end(), link);
  if (it == FLinkList.end()) throw EComPort(FPort, ecLinkRegistration);
  FLinkList.erase(it);
  FRxBufLinked = AnyRxBufLink();
}

bool TCustomComPort::AnyRxBufLink() const {
  return std::any_of(FLinkList.begin(), FLinkList.end(),
                     [](const TComLink* link) { return static_cast<bool>(link->OnRxBuf); });
}

// The walks go by index, so that a slot that registers or unregisters a link
// cannot make the walk step outside the list.
template <typename Slot, typename... Args>
void TCustomComPort::WalkLinks(Slot TComLink::*slot, Args... args) {
  for (std::size_t i = 0; i < FLinkList.size(); ++i) {
    const Slot& handler = FLinkList[i]->*slot;
    if (handler) handler(this, args...);
  }
}

void TCustomComPort::NotifyLinks(TLinkNotice notice, bool onOff) {
  switch (notice) {
    case lnConn:
      return WalkLinks(&TComLink::OnConnChange, onOff);
    case lnCTS:
      return WalkLinks(&TComLink::OnCTSChange, onOff);
    case lnDSR:
      return WalkLinks(&TComLink::OnDSRChange, onOff);
    case lnRLSD:
      return WalkLinks(&TComLink::OnRLSDChange, onOff);
    case lnRx:
      return WalkLinks(&TComLink::OnRxActive, onOff);
    case lnTx:
      return WalkLinks(&TComLink::OnTxActive, onOff);
    default:
      return;  // the plain notices select no signal slot
  }
}

void TCustomComPort::NotifyLinksPlain(TLinkNotice notice) {
  switch (notice) {
    case lnRing:
      return WalkLinks(&TComLink::OnRing);
    case lnTxEmpty:
      return WalkLinks(&TComLink::OnTxEmpty);
    case lnRxFlag:
      return WalkLinks(&TComLink::OnRxFlag);
    default:
      return;
  }
}

void TCustomComPort::NotifyLinksTxData(const void* buffer, std::int32_t count) {
  WalkLinks(&TComLink::OnTxData, buffer, count);
}
