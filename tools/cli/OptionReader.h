// Walks a subcommand's arguments: options as "--name VALUE" or "--name=VALUE",
// flags as "--name", anything else as a word. Raises ECliUsage for an option
// without its value or a flag given one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tools/cli/CliCommand.h"

class TOptionReader {
 public:
  explicit TOptionReader(TCliArgs args) : FArgs(args) {}

  // Moves to the next argument; false when there is none.
  bool Next() {
    FIndex = FStarted ? FIndex + 1 : 0;
    FStarted = true;
    if (FIndex >= FArgs.size()) return false;
    const std::string_view arg = FArgs[FIndex];
    FEquals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
    return true;
  }

  std::string_view Arg() const { return FArgs[FIndex]; }
  // The option's name without a value given with "=", or the whole word.
  std::string_view Name() const { return Arg().substr(0, FEquals); }

  // The option's value: after its "=", else the next argument (consumed).
  std::string_view Value() {
    if (FEquals != std::string_view::npos) return Arg().substr(FEquals + 1);
    if (FIndex + 1 == FArgs.size()) throw ECliUsage(std::string(Name()) + " needs a value");
    return FArgs[++FIndex];
  }

  // Refuses a value given to a flag.
  void Flag() const {
    if (FEquals != std::string_view::npos) throw ECliUsage(std::string(Name()) + " takes no value");
  }

 private:
  TCliArgs FArgs;
  std::size_t FIndex = 0;
  std::size_t FEquals = std::string_view::npos;
  bool FStarted = false;
};
