// How the port's line events meet the device and the main thread: the EV_
// flag of each event, the order in which the events of one batch are
// handled, and the window message that carries one event.
#pragma once

#include <cstdint>

#include "platform/runtime/Messages.h"
#include "serial/CPortTypes.h"

// The window message that carries one event to the port's hidden window;
// wParam is the event's EV_ flag.
inline constexpr std::uint32_t WM_COMEVENT = WM_USER + 1;

// The event set as the device's EV_ mask and back; mask bits that name no
// event are dropped.
std::uint32_t EventSetToMask(TComEvents events);
TComEvents MaskToEventSet(std::uint32_t mask);

// The EV_ flag of one event.
std::uint32_t EventToFlag(TComEvent event);

// The order in which the events of one batch are handled: errors first.
inline constexpr TComEvent kEventHandlingOrder[] = {
    evError, evRxChar, evTxEmpty, evBreak, evRing, evCTS, evDSR, evRxFlag, evRLSD, evRx80Full};
