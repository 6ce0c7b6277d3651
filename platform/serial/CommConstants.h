// The vocabulary of the serial device interface: the Windows comm constants
// (EV_, CE_, MS_, PURGE_, wait results, the pending-I/O error), with their
// Windows values on every platform.
//
// Windows defines these names as macros with the same values; each group is
// declared here only where the macros are absent, so a file that includes
// <windows.h> before or after this header sees the same numbers. Use them
// unqualified.
#pragma once

#include <cstdint>

// Event mask flags (SetCommMask, WaitCommEvent).
#ifndef EV_RXCHAR
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;    // a byte was received
inline constexpr std::uint32_t EV_RXFLAG = 0x0002;    // the event character was received
inline constexpr std::uint32_t EV_TXEMPTY = 0x0004;   // the last byte of the output queue was sent
inline constexpr std::uint32_t EV_CTS = 0x0008;       // CTS changed
inline constexpr std::uint32_t EV_DSR = 0x0010;       // DSR changed
inline constexpr std::uint32_t EV_RLSD = 0x0020;      // RLSD (carrier detect) changed
inline constexpr std::uint32_t EV_BREAK = 0x0040;     // a break was received
inline constexpr std::uint32_t EV_ERR = 0x0080;       // a line status error (frame, overrun, parity)
inline constexpr std::uint32_t EV_RING = 0x0100;      // a ring indication
inline constexpr std::uint32_t EV_RX80FULL = 0x0400;  // the input queue is 80 % full
#endif

// Line error flags (ClearCommError).
#ifndef CE_RXOVER
inline constexpr std::uint32_t CE_RXOVER = 0x0001;    // input queue overflow
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;   // hardware overrun
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;  // parity error
inline constexpr std::uint32_t CE_FRAME = 0x0008;     // framing error
inline constexpr std::uint32_t CE_BREAK = 0x0010;     // break condition
inline constexpr std::uint32_t CE_TXFULL = 0x0100;    // output queue full
inline constexpr std::uint32_t CE_IOE = 0x0400;       // I/O error talking to the device
inline constexpr std::uint32_t CE_MODE = 0x8000;      // mode not supported / bad handle
#endif

// Modem input lines (GetCommModemStatus).
#ifndef MS_CTS_ON
inline constexpr std::uint32_t MS_CTS_ON = 0x0010;
inline constexpr std::uint32_t MS_DSR_ON = 0x0020;
inline constexpr std::uint32_t MS_RING_ON = 0x0040;
inline constexpr std::uint32_t MS_RLSD_ON = 0x0080;
#endif

// Purge flags (PurgeComm).
#ifndef PURGE_TXABORT
inline constexpr std::uint32_t PURGE_TXABORT = 0x0001;  // end pending writes at once
inline constexpr std::uint32_t PURGE_RXABORT = 0x0002;  // end pending reads at once
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;  // empty the output queue
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;  // empty the input queue
#endif

// Wait results and the infinite time-out (WaitForSingleObject, WaitForMultipleObjects).
#ifndef WAIT_OBJECT_0
inline constexpr std::uint32_t WAIT_OBJECT_0 = 0x00000000;
inline constexpr std::uint32_t WAIT_TIMEOUT = 0x00000102;
inline constexpr std::uint32_t WAIT_FAILED = 0xFFFFFFFF;
#endif
#ifndef INFINITE
inline constexpr std::uint32_t INFINITE = 0xFFFFFFFF;
#endif

// All bits set: a read interval of MAXDWORD with both read totals 0 makes a
// read return at once with what has arrived.
#ifndef MAXDWORD
inline constexpr std::uint32_t MAXDWORD = 0xFFFFFFFF;
#endif

// "The operation is under way": the last error of a ReadFile, WriteFile or
// WaitCommEvent that started and will complete later, and of a
// GetOverlappedResult asked too early. Every other last-error number is the
// platform's own (errno on POSIX, GetLastError() on Windows).
#ifndef ERROR_IO_PENDING
inline constexpr std::int32_t ERROR_IO_PENDING = 997;
inline constexpr std::int32_t ERROR_IO_INCOMPLETE = 996;
#endif
