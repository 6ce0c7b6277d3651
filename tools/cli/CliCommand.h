// What every dispenser-cli subcommand is: a name, a synopsis for the usage
// text and a function run with the arguments after the name.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "platform/runtime/SysUtils.h"

// Exit codes of dispenser-cli.
enum TCliExit : int {
  cxOk = 0,
  cxFailure = 1,     // a failed verdict (a reply missing or cut off, a run interrupted) or
                     // work not done (a port error, a failed close, output lost)
  cxUsage = 2,       // the command line is wrong; nothing was printed on stdout
  cxConversion = 3,  // a reply's count was not a number
};

using TCliArgs = std::span<const std::string_view>;

// Raised by a subcommand for a wrong command line: dispenser-cli prints the
// message and the usage text on stderr and exits with cxUsage.
class ECliUsage : public Exception {
 public:
  using Exception::Exception;
};

struct TCliCommand {
  std::string_view Name;
  std::string_view Arguments;  // "[--json] HEX"
  std::string_view Summary;    // one line for the usage text
  // Runs the subcommand; returns its exit code. Raises ECliUsage for a wrong
  // command line (before printing anything on `out`) and Exception for a failure.
  int (*Run)(TCliArgs args, std::ostream& out, std::ostream& err);
};

// The command names the subcommands take, for messages: "dispense, count-query, ...".
std::string CommandNameList();

// Every subcommand, in the order the usage text lists them.
std::span<const TCliCommand> CliCommands();
