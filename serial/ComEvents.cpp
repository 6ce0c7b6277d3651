// The event set and the device's EV_ mask, both ways.
#include "serial/ComEvents.h"

#include "platform/serial/CommConstants.h"

namespace {

struct EventFlag {
  TComEvent event;
  std::uint32_t flag;
};
constexpr EventFlag kEventFlags[] = {
    {evRxChar, EV_RXCHAR}, {evTxEmpty, EV_TXEMPTY},  {evRxFlag, EV_RXFLAG}, {evRing, EV_RING},
    {evBreak, EV_BREAK},   {evCTS, EV_CTS},          {evDSR, EV_DSR},       {evError, EV_ERR},
    {evRLSD, EV_RLSD},     {evRx80Full, EV_RX80FULL}};

}  // namespace

std::uint32_t EventToFlag(TComEvent event) {
  return kEventFlags[event].flag;
}

std::uint32_t EventSetToMask(TComEvents events) {
  std::uint32_t mask = 0;
  for (const EventFlag& entry : kEventFlags) {
    if (events.Contains(entry.event)) mask |= entry.flag;
  }
  return mask;
}

TComEvents MaskToEventSet(std::uint32_t mask) {
  TComEvents events;
  for (const EventFlag& entry : kEventFlags) {
    if (mask & entry.flag) events.Include(entry.event);
  }
  return events;
}
