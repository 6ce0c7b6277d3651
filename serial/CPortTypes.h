// The vocabulary of the port engine: every settings enumeration (stored as
// its 8-bit ordinal), the sets over them, and the table of standard baud
// rates. Shared by the port, the settings text forms, persistence and the
// port-bound controls.
#pragma once

#include <array>
#include <cstdint>

#include "serial/SmallSet.h"

// The standard line rates, and brCustom for the port's CustomBaudRate.
enum TBaudRate : std::uint8_t {
  brCustom,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};

// Passed to the device as 0, 1, 2 (one, one and a half, two stop bits).
enum TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

// Passed to the device as 5 to 8 data bits.
enum TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };

// Passed to the device as 0 to 4.
enum TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };

// How the DTR line is driven: passed to the device as its ordinal.
enum TDTRFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };

// How the RTS line is driven: passed to the device as its ordinal.
enum TRTSFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

// A shortcut over the flow-control flags; fcCustom is "any other combination".
enum TFlowControl : std::uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };

// The device's line events.
enum TComEvent : std::uint8_t {
  evRxChar,
  evTxEmpty,
  evRxFlag,
  evRing,
  evBreak,
  evCTS,
  evDSR,
  evError,
  evRLSD,
  evRx80Full
};
using TComEvents = SmallSet<TComEvent, std::uint16_t, 10>;

// Line errors reported by the device.
enum TComError : std::uint8_t {
  ceFrame,
  ceRxParity,
  ceOverrun,
  ceBreak,
  ceIO,
  ceMode,
  ceRxOver,
  ceTxFull
};
using TComErrors = SmallSet<TComError, std::uint8_t, 8>;

// How the event thread hands events to the handlers.
enum TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone, smDisableEvents };

// The modem input lines.
enum TModemSignal : std::uint8_t { msCTS, msDSR, msRing, msRLSD };
using TModemSignals = SmallSet<TModemSignal, std::uint8_t, 4>;

// What a port tells its links.
enum TLinkNotice : std::uint8_t {
  lnConn,
  lnCTS,
  lnDSR,
  lnRLSD,
  lnRing,
  lnRx,
  lnTx,
  lnTxEmpty,
  lnRxFlag
};

// The groups of settings that a settings store covers.
enum TSettingGroup : std::uint8_t { sgMain, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgMisc };
using TSettingGroups = SmallSet<TSettingGroup, std::uint8_t, 6>;

// The kind of a pending overlapped transfer.
enum TAsyncKind : std::uint8_t { akWrite, akRead };

// Bits per second of each TBaudRate, indexed by ordinal. The entry of
// brCustom is never read: a custom rate comes from the port's CustomBaudRate.
inline constexpr std::array<std::int32_t, 16> BaudRateValues = {
    0,     110,   300,   600,   1200,  2400,   4800,   9600,
    14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

// Bits per second of a standard rate (0 for brCustom).
constexpr std::int32_t BaudRateToInt(TBaudRate rate) {
  return BaudRateValues[rate];
}
