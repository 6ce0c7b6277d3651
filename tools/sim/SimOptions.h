// dispenser-sim's command line.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/simulator/DispenserSetup.h"
#include "platform/runtime/SysUtils.h"

// The dispenser's settings (--delay, --split, --fault, as a SIM port name
// gives them too) and the terminal's.
struct TSimOptions : TDispenserSetup {
  std::string Link;     // --link PATH: a symbolic link to the slave end
  std::string LogFile;  // --log FILE: every frame in and out, timestamped
  bool Help = false;    // --help
  bool Version = false;  // --version
};

// A wrong command line; the message says what is wrong.
class ESimUsage : public Exception {
 public:
  using Exception::Exception;
};

// Options as "--name VALUE" or "--name=VALUE". Raises ESimUsage.
TSimOptions ParseSimOptions(std::span<const std::string_view> args);

// The usage text, ending in a newline.
std::string SimUsage();
