// What "dispenser-cli run" is asked to do: the port, the steps (commands
// and waits) from the command line or a script, how often, how long to wait
// for each reply and between commands, and where the log and summary go.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "console/protocol/DispenserFrames.h"
#include "tools/cli/CliCommand.h"

// One step: send a command and wait for its reply, or wait this long.
using TRunStep = std::variant<TDispenserCommand, std::chrono::milliseconds>;

struct TRunPlan {
  std::string Port;
  std::vector<TRunStep> Steps;
  unsigned Repeat = 1;
  std::chrono::milliseconds Interval{0};
  std::chrono::milliseconds Timeout{1000};
  bool StopOnError = false;
  std::string LogFile;  // empty: no log
  bool Json = false;
};

inline constexpr unsigned kMaxRepeat = 100'000'000;

// "run --port P [--repeat N] [--interval MS] [--timeout MS] [--stop-on-error]
// [--log FILE] [--json] (COMMAND... | --script FILE)". Reads the script.
// Raises ECliUsage.
TRunPlan ParseRunPlan(TCliArgs args);

// A script: one step a line, a command name or "wait MS"; blank lines and
// lines starting with '#' are skipped. Raises ECliUsage naming the line.
std::vector<TRunStep> ParseRunScript(std::string_view text);
