// The serial device as the port engine reaches it: one handle per open
// device and the Windows comm calls as its operations (device control
// block, time-outs, buffer sizes, purge, error and queue status, modem
// status, event mask and overlapped event wait, overlapped read and write).
// Backends below this interface: posix/ (termios), sim/ (in-memory null
// modem for tests), win32/. No system header is included here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/serial/CommConstants.h"
#include "platform/serial/Event.h"
#include "platform/serial/SystemErrorNumbers.h"

namespace comm {

// The 32-bit unsigned integer of the Windows comm calls.
using DWORD = std::uint32_t;

// The device control block: the whole line configuration, applied as one unit.
struct DCB {
  DWORD DCBlength = 0;             // the block's size (Windows fills it; unused elsewhere)
  DWORD BaudRate = 0;              // bits per second, any value the device accepts
  bool fBinary = false;            // binary mode (always, on every device)
  bool fParity = false;            // check the parity of received bytes
  bool fOutxCtsFlow = false;       // output waits for CTS
  bool fOutxDsrFlow = false;       // output waits for DSR
  std::uint8_t fDtrControl = 0;    // 0 disable (line low), 1 enable (line high), 2 handshake
  bool fDsrSensitivity = false;    // ignore received bytes while DSR is off
  bool fTXContinueOnXoff = false;  // output goes on after the device sent XOFF
  bool fOutX = false;              // output obeys XON/XOFF
  bool fInX = false;               // input sends XON/XOFF
  bool fErrorChar = false;         // replace bytes with a parity error by ErrorChar
  bool fNull = false;              // discard received NUL bytes
  std::uint8_t fRtsControl = 0;    // 0 disable, 1 enable, 2 handshake, 3 toggle
  bool fAbortOnError = false;      // a line error ends every pending read and write
  std::uint16_t XonLim = 0;        // input queue bytes below which XON is sent
  std::uint16_t XoffLim = 0;       // free bytes of the input queue below which XOFF is sent
  std::uint8_t ByteSize = 8;       // 5 to 8
  std::uint8_t Parity = 0;         // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t StopBits = 0;       // 0 one, 1 one and a half, 2 two
  std::uint8_t XonChar = 0;        // the XON character
  std::uint8_t XoffChar = 0;       // the XOFF character
  std::uint8_t ErrorChar = 0;      // the byte that stands for one received with a parity error
  std::uint8_t EofChar = 0;        // the end-of-input character
  std::uint8_t EvtChar = 0;        // receiving it raises EV_RXFLAG
  bool operator==(const DCB&) const = default;  // field by field
};

// The time-outs of reads and writes in milliseconds: total = multiplier * bytes + constant.
struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout = 0;          // MAXDWORD with both read totals 0: return at once
  DWORD ReadTotalTimeoutMultiplier = 0;   // per byte of a read
  DWORD ReadTotalTimeoutConstant = 0;     // added to a read's per-byte part
  DWORD WriteTotalTimeoutMultiplier = 0;  // per byte of a write
  DWORD WriteTotalTimeoutConstant = 0;    // added to a write's per-byte part
  bool operator==(const COMMTIMEOUTS&) const = default;  // field by field
};

// The device's queue status (ClearCommError).
struct COMSTAT {
  DWORD cbInQue = 0;   // bytes waiting in the input queue
  DWORD cbOutQue = 0;  // bytes waiting in the output queue
};

// One overlapped operation in flight. The caller owns the block and keeps it
// alive until the operation has completed; the device resets hEvent when the
// operation starts and sets it when it completes. Internal and InternalHigh
// (status, bytes transferred) belong to the device: read the outcome with
// GetOverlappedResult.
struct OVERLAPPED {
  std::uintptr_t Internal = 0;      // the outcome's status (the device's)
  std::uintptr_t InternalHigh = 0;  // the bytes transferred (the device's)
  DWORD Offset = 0;                 // unused by serial devices
  DWORD OffsetHigh = 0;             // unused by serial devices
  Event hEvent;                     // set when the operation completes
};

class DeviceBackend;

// A handle to a serial device. Copies share the device. The default handle is
// the invalid handle: every call on it fails with the platform's "bad handle"
// error. After CloseHandle the handle keeps its value and every call fails
// the same way.
//
// Every call returns false on failure and leaves the reason in GetLastError();
// ReadFile, WriteFile and WaitCommEvent return false with ERROR_IO_PENDING when
// the operation was started and will complete later.
class Device {
 public:
  Device() = default;

  // CreateFileA(name, read | write, no sharing, OPEN_EXISTING, overlapped).
  // name is the device name with the "\\.\" prefix ("\\.\COM1"); what the rest
  // may be is the backend's (posix: COMn, a name under /dev, or the absolute
  // path of a terminal). Exclusive: a device that is already open, by this
  // process or another, fails. Invalid handle and last error on failure.
  static Device Open(const std::string& name);

  bool Valid() const { return impl_ != nullptr; }  // false for the invalid handle
  bool operator==(const Device&) const = default;  // the same device

  bool CloseHandle();  // closes the device for every copy of the handle

  // The Windows comm calls of the same names, with their meaning; each
  // returns false and leaves the reason in GetLastError on failure.
  bool SetupComm(DWORD inQueue, DWORD outQueue);
  bool SetCommState(const DCB& dcb);
  bool GetCommState(DCB* dcb);
  bool SetCommTimeouts(const COMMTIMEOUTS& timeouts);
  bool GetCommTimeouts(COMMTIMEOUTS* timeouts);
  bool PurgeComm(DWORD flags);
  bool ClearCommError(DWORD* errors, COMSTAT* stat);
  bool GetCommModemStatus(DWORD* status);
  bool SetCommMask(DWORD mask);
  bool GetCommMask(DWORD* mask);

  // Overlapped calls: ov must carry a valid event; *mask / *done are written
  // at once when the call completes immediately, else at completion.
  // A read or write that fails at once still completes ov with its error and
  // sets the event, so a thread that waits on it is released; an event wait
  // that fails at once leaves the event reset, so a loop that re-arms it
  // sleeps (until told to stop) instead of spinning on a device that is gone.
  // Closing the device ends every pending operation with the "cancelled"
  // error (kErrCancelled), as PurgeComm's abort flags do.
  bool WaitCommEvent(DWORD* mask, OVERLAPPED* ov);
  bool WriteFile(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov);
  bool ReadFile(void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov);
  // Outcome of a completed operation: true and *transferred, or false with its
  // error; false with ERROR_IO_INCOMPLETE while it is still pending and wait is
  // false.
  bool GetOverlappedResult(OVERLAPPED* ov, DWORD* transferred, bool wait);

  // The device name it was opened with.
  const std::string& Name() const;

 private:
  explicit Device(std::shared_ptr<DeviceBackend> impl) : impl_(std::move(impl)) {}
  std::shared_ptr<DeviceBackend> impl_;
  friend class DeviceRegistry;
};

// The last error of the calling thread's latest failed call (errno-style
// numbers on POSIX, GetLastError() values on Windows; ERROR_IO_PENDING as above).
std::int32_t GetLastError();
void SetLastError(std::int32_t error);

// True when the error says that the device is gone for good (unplugged,
// hung up): waiting again cannot succeed.
bool IsDeviceGoneError(std::int32_t error);

// A short description of an error number, for messages ("Input/output error").
std::string SystemErrorText(std::int32_t error);

// The debugger output line (OutputDebugStringA). Nothing depends on it; by
// default it goes to the system's debugger output on Windows, and on Linux to
// stderr only when the environment variable SERIAL_DEBUG_OUTPUT is set.
// Tests install a sink to see the lines.
void OutputDebugStringA(const std::string& line);
using DebugOutputSink = std::function<void(const std::string& line)>;
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);  // returns the previous one

}  // namespace comm
