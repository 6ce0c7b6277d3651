// dispenser-sim's command line.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/SysUtils.h"
#include "tools/sim/Faults.h"

struct TSimOptions {
  std::string Link;                   // --link PATH: a symbolic link to the slave end
  std::chrono::milliseconds Delay{};  // --delay MS: before each reply
  bool Split = false;                 // --split: each reply in two writes
  std::string LogFile;                // --log FILE: every frame in and out, timestamped
  std::vector<TFault> Faults;         // --fault KIND[@N][:NOTES], in order given
  std::optional<unsigned> MuteAfter;  // --mute-after N: N replies, then none
  bool Help = false;                  // --help
  bool Version = false;               // --version
};

// A wrong command line; the message says what is wrong.
class ESimUsage : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr std::chrono::milliseconds kMaxDelay{600'000};

// Options as "--name VALUE" or "--name=VALUE". Raises ESimUsage.
TSimOptions ParseSimOptions(std::span<const std::string_view> args);

// The usage text, ending in a newline.
std::string SimUsage();
