// "frames" and "frame NAME": the command frames as upper-case hex.
#include <string>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/HexText.h"
#include "tools/cli/CliCommand.h"

std::string CommandNameList() {
  std::string names;
  for (const TDispenserCommand command : DispenserCommands) {
    if (!names.empty()) names += ", ";
    names += CommandName(command);
  }
  return names;
}

int RunFrames(TCliArgs args, std::ostream& out, std::ostream&) {
  if (!args.empty()) throw ECliUsage("frames takes no arguments");
  for (const TDispenserCommand command : DispenserCommands) {
    out << CommandName(command) << '\t' << HexText(CommandFrame(command)) << '\n';
  }
  return cxOk;
}

int RunFrame(TCliArgs args, std::ostream& out, std::ostream&) {
  if (args.size() != 1) throw ECliUsage("frame takes one command name (" + CommandNameList() + ")");
  const auto command = FindCommand(args[0]);
  if (!command) {
    throw ECliUsage("unknown command name '" + std::string(args[0]) + "' (one of " +
                    CommandNameList() + ")");
  }
  out << HexText(CommandFrame(*command)) << '\n';
  return cxOk;
}
