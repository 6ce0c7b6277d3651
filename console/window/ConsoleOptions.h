// dispenser-console's command line: the port to start with, or the usage.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/runtime/SysUtils.h"

struct TConsoleOptions {
  std::string Port;      // --port NAME: Com1's port instead of the one stored
  std::string LogFile;   // --log FILE: the session log's file instead of a new one
  bool NoLog = false;    // --no-log: no session log
  bool Help = false;     // --help, -h
  bool Version = false;  // --version
};

// A wrong command line; the message says what is wrong.
class EConsoleUsage : public Exception {
 public:
  using Exception::Exception;
};

// "--port NAME" or "--port=NAME", "--help", "--version". Raises EConsoleUsage.
TConsoleOptions ParseConsoleOptions(std::span<const std::string_view> args);

// The usage text, ending in a newline.
std::string ConsoleUsage();
