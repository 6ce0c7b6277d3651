// The system's text for a GetLastError() number, without the trailing full
// stop and line break ("The system cannot find the file specified"). Header
// only: the serial device's Windows backend words its errors with it too.
#pragma once

#include <windows.h>

#include <string>

inline std::string SystemMessage(unsigned long error) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 ? std::string(text, length) : std::string();
  ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "System error " + std::to_string(error);
  return message;
}
