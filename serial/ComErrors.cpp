#include "serial/ComErrors.h"

#include <array>

namespace {

constexpr std::array<const char*, 23> kErrorTexts = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};

}  // namespace

std::string PortErrorText(std::int32_t code) {
  if (code >= 1 && code <= static_cast<std::int32_t>(kErrorTexts.size())) {
    return kErrorTexts[static_cast<std::size_t>(code - 1)];
  }
  return "Unknown Error #" + IntToStr(code);
}

EComPort::EComPort(const std::string& name, std::int32_t code)
    : Exception(name + " Error: " + PortErrorText(code)),
      FErrorCode(static_cast<std::uint8_t>(code)) {}

EComPort::EComPort(const std::string& message) : Exception(message) {}

EComPortExt::EComPortExt(const std::string& name, std::int32_t code, std::int32_t systemErrorCode)
    : EComPort("COM Port Error: " + PortErrorText(code) + " on " + name),
      FSystemErrorCode(systemErrorCode) {
  FErrorCode = static_cast<std::uint8_t>(code);
}
