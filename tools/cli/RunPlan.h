// What "dispenser-cli run" is asked to do: the ports, the steps (commands
// and waits) from the command line or a script, how often, how long to wait
// for each reply and between commands, and where the log, report and
// summary go.
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
  std::vector<std::string> Ports;  // --port, several times, and --ports FILE; each once
  std::vector<TRunStep> Steps;
  unsigned Repeat = 1;
  std::chrono::milliseconds Interval{0};
  std::chrono::milliseconds Timeout{1000};
  bool StopOnError = false;
  std::string LogFile;     // empty: no log
  std::string ReportFile;  // empty: no report
  bool Json = false;

  // The settings as the log's first note and the report show them.
  std::vector<std::pair<std::string, std::string>> Settings() const;
};

inline constexpr unsigned kMaxRepeat = 100'000'000;

// "run (--port P)... [--ports FILE] [--repeat N] [--interval MS] [--timeout MS]
// [--stop-on-error] [--log FILE] [--report FILE] [--json] (COMMAND... |
// --script FILE)". Reads the script and the ports file. Raises ECliUsage.
TRunPlan ParseRunPlan(TCliArgs args);

// A script: one step a line, a command name or "wait MS"; blank lines and
// lines starting with '#' are skipped. Raises ECliUsage naming the line.
std::vector<TRunStep> ParseRunScript(std::string_view text);

// A ports file: one port name a line; blank lines and lines starting with
// '#' are skipped.
std::vector<std::string> ParsePortsFile(std::string_view text);

// The log file of one port of several: the port's name, its last path part
// with any character but letters, digits, '.', '_' and '-' as '-', before
// the extension ("run.tsv", "/dev/ttyUSB0": "run-ttyUSB0.tsv"). `taken`
// are the names given so far: a name taken gets "-2", "-3", ...
std::string PortLogFile(const std::string& logFile, const std::string& port,
                        const std::vector<std::string>& taken);
