// A simulated serial device for tests: an in-memory null modem whose near
// end opens through comm::Device::Open under the port's name (Port = "SIM1"
// opens it like any port) and whose far end is this object. The test feeds
// bytes, reads what the device wrote, drives CTS/DSR/RING/RLSD, injects line
// errors and breaks, makes chosen calls fail, pulls the plug, and inspects
// what reached the device and in which order.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial/CommDevice.h"

namespace comm::sim {

// The device calls that can be logged and made to fail.
enum class SimCall : std::uint8_t {
  CreateFile,
  CloseHandle,
  SetupComm,
  SetCommState,
  GetCommState,
  SetCommTimeouts,
  GetCommTimeouts,
  PurgeComm,
  ClearCommError,
  GetCommModemStatus,
  SetCommMask,
  GetCommMask,
  WaitCommEvent,
  WriteFile,
  ReadFile,
};
const char* SimCallName(SimCall call);

struct SimState;

class SimPort {
 public:
  // Registers the device under name (compared without letter case). Only one
  // SimPort may hold a name at a time.
  explicit SimPort(std::string name);
  // A device that is not registered: its owner opens it with OpenDevice (for
  // a family of names, for example).
  struct Unlisted {};
  SimPort(std::string name, Unlisted);
  // Unregisters the name; a device that is still open keeps working.
  ~SimPort();
  SimPort(const SimPort&) = delete;
  SimPort& operator=(const SimPort&) = delete;

  const std::string& Name() const;

  // Opens the device as Device::Open does under its name: the backend, or
  // null with *error set (EBUSY while it is open, ENOENT while unplugged).
  std::shared_ptr<DeviceBackend> OpenDevice(std::int32_t* error);

  // --- The far end ---------------------------------------------------------
  // Bytes arriving at the device. What does not fit in its input queue (the
  // size SetupComm gave) waits and follows as the queue drains: nothing is
  // lost. Bytes sent to a closed device are lost, as on a real line.
  void Feed(std::string_view bytes);
  void Feed(const std::vector<std::uint8_t>& bytes);
  // A byte that arrives with a line error (CE_FRAME or CE_RXPARITY; with the
  // block's fParity and fErrorChar a parity error stores ErrorChar instead).
  void FeedWithError(std::uint8_t byte, DWORD errors);
  // Line errors without a byte: CE_OVERRUN, CE_RXOVER, CE_FRAME raise EV_ERR,
  // CE_BREAK (a break on the line) raises EV_BREAK.
  void InjectErrors(DWORD errors);
  // Bytes fed that wait for room in the input queue.
  std::size_t Backlog() const;

  // Everything the device has written so far, and the same while emptying it.
  std::string Written() const;
  std::string TakeWritten();
  // Waits until at least count bytes were written (false after the timeout).
  bool WaitForWritten(std::size_t count, std::chrono::milliseconds timeout) const;
  // Called after every write that reached the far end, on the writing thread
  // and under the device's lock: it may only hand the news on (wake a thread
  // of its own), never call into the device. Null removes it.
  void SetWriteListener(std::function<void()> listener);

  // Modem input lines. Each change raises its event: EV_CTS, EV_DSR, EV_RLSD
  // on every change, EV_RING when the ring line comes on.
  void SetCTS(bool on);
  void SetDSR(bool on);
  void SetRing(bool on);
  void SetRLSD(bool on);
  void SetModemLines(DWORD status);  // MS_ bits, all four lines at once
  DWORD ModemLines() const;

  // While held, the device accepts no output, as if flow control stopped it;
  // writes stay pending (and run into their time-out). Output also waits for
  // CTS / DSR when the block asks for that flow control.
  void HoldOutput(bool hold);

  // --- Failures --------------------------------------------------------------
  // The next call / every call of that kind fails with error. A failed
  // ReadFile or WriteFile completes its block with the error; a failed
  // WaitCommEvent leaves its event reset; a failed CloseHandle still closes.
  void FailNext(SimCall call, std::int32_t error);
  void FailAlways(SimCall call, std::int32_t error);
  void ClearFailures();

  // Unplugging: pending operations end with kErrDeviceGone, later calls fail so
  // (bytes already received can still be read), reopening fails with kErrNoDevice
  // until Plug.
  void Unplug();
  void Plug();

  // --- Inspection ------------------------------------------------------------
  bool IsOpen() const;
  int OpenCount() const;          // successful opens so far
  DCB Dcb() const;                // the block the device runs with
  COMMTIMEOUTS Timeouts() const;  // as last set since the device opened
  DWORD InputSize() const;        // as last given to SetupComm (0: never)
  DWORD OutputSize() const;
  DWORD Mask() const;  // the event mask, as last set since opening
  // The output lines as the block drives them (both off while closed).
  bool DTR() const;
  bool RTS() const;

  // The calls made, oldest first: "CreateFile", "SetupComm(1024,1024)",
  // "SetCommState", "SetCommTimeouts", "SetCommMask(0x05FF)",
  // "WaitCommEvent", "WriteFile(10)", "ReadFile(8)", "PurgeComm(0x0003)",
  // "ClearCommError", "GetCommModemStatus", "CloseHandle", ...
  std::vector<std::string> Calls() const;
  std::size_t CountCalls(SimCall call) const;
  void ClearCalls();

 private:
  void Deliver(const std::uint8_t* data, std::size_t count);
  void Register();

  std::shared_ptr<SimState> state_;
};

}  // namespace comm::sim
