// The port errors: one table of 23 codes with fixed texts, EComPort for a
// wrong state or argument and EComPortExt for a failed system call (it adds
// the system's error number).
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/SysUtils.h"

// The error codes. Codes that no operation raises keep their numbers.
enum TComPortErrorCode : std::uint8_t {
  ecOpenFailed = 1,          // "Unable to open com port"
  ecWriteFailed = 2,         // "WriteFile function failed"
  ecReadFailed = 3,          // "ReadFile function failed"
  ecInvalidAsync = 4,        // "Invalid Async parameter"
  ecPurgeFailed = 5,         // "PurgeComm function failed"
  ecAsyncStatus = 6,         // "Unable to get async status"
  ecSetState = 7,            // "SetCommState function failed"
  ecSetTimeouts = 8,         // "SetCommTimeouts failed"
  ecSetupComm = 9,           // "SetupComm function failed"
  ecClearComm = 10,          // "ClearCommError function failed"
  ecModemStatus = 11,        // "GetCommModemStatus function failed"
  ecEscapeComm = 12,         // "EscapeCommFunction function failed"
  ecTransmitChar = 13,       // "TransmitCommChar function failed"
  ecConnectedProperty = 14,  // "Cannot set property while connected"
  ecEnumPorts = 15,          // "EnumPorts function failed"
  ecStoreSettings = 16,      // "Failed to store settings"
  ecLoadSettings = 17,       // "Failed to load settings"
  ecLinkRegistration = 18,   // "Link (un)registration failed"
  ecLedState = 19,           // "Cannot change led state if ComPort is selected"
  ecThreadCreated = 20,      // "Cannot wait for event if event thread is created"
  ecWaitFailed = 21,         // "WaitForEvent method failed"
  ecRxBufLinked = 22,        // "A component is linked to OnRxBuf event"
  ecRegistry = 23,           // "Registry error"
};

// The text of a code; "Unknown Error #<code>" outside 1..23.
std::string PortErrorText(std::int32_t code);

// A port operation refused or failed: its code (TComPortErrorCode) and text.
class EComPort : public Exception {
 public:
  // "<name> Error: <text of code>".
  EComPort(const std::string& name, std::int32_t code);
  // A finished message, used unchanged; ErrorCode is 0.
  explicit EComPort(const std::string& message);

  std::uint8_t ErrorCode() const { return FErrorCode; }  // the code, 0 for a finished message

 protected:
  std::uint8_t FErrorCode = 0;  // the code ErrorCode returns
};

// A system call of a port that failed: the code, and the system's error number.
class EComPortExt : public EComPort {
 public:
  // "COM Port Error: <text of code> on <name>". The system error number is
  // carried, not shown.
  EComPortExt(const std::string& name, std::int32_t code, std::int32_t systemErrorCode);

  // Errno on Linux, GetLastError() on Windows.
  std::int32_t SystemErrorCode() const { return FSystemErrorCode; }

 private:
  std::int32_t FSystemErrorCode = 0;
};
