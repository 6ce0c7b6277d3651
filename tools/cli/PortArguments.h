// The command line of the subcommands that work on a port: --port NAME,
// --json, and for send --wait MS, --replies N and the command's name.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "console/protocol/DispenserFrames.h"
#include "tools/cli/CliCommand.h"
#include "tools/cli/EffectOutput.h"

struct TPortArguments {
  std::string Port;
  TEffectFormat Format = efText;
  std::chrono::milliseconds Wait{1000};
  unsigned Replies = 0;  // stop waiting once this many reply frames came; 0: wait it out
  std::optional<TDispenserCommand> Command;
};

inline constexpr std::chrono::milliseconds kMaxWait{3'600'000};

enum TPortArgumentsUse : std::uint8_t {
  paMonitor,  // --port, --json
  paSend,     // also --wait, --replies and one command name
};

// Options as "--name VALUE" or "--name=VALUE". Raises ECliUsage.
TPortArguments ParsePortArguments(TCliArgs args, TPortArgumentsUse use);
