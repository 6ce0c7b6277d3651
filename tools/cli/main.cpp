// dispenser-cli: the dispenser's frames and reply decoding from the command line.
#include <algorithm>
#include <iostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "ProjectVersion.h"
#include "console/simulator/SimDispenser.h"
#include "tools/cli/CliCommand.h"

namespace {

void PrintUsage(std::ostream& os) {
  os << "usage: dispenser-cli COMMAND [ARGUMENTS]\n"
        "       dispenser-cli --help | --version\n";
  for (const TCliCommand& command : CliCommands()) {
    std::string synopsis(command.Name);
    if (!command.Arguments.empty()) synopsis += " " + std::string(command.Arguments);
    // The summary beside a short synopsis, under a long one; its lines aligned.
    constexpr std::size_t kColumn = 26;
    os << "  " << synopsis;
    if (synopsis.size() + 2 < kColumn) {
      os << std::string(kColumn - 2 - synopsis.size(), ' ');
    } else {
      os << '\n' << std::string(kColumn, ' ');
    }
    for (const char c : command.Summary) {
      os << c;
      if (c == '\n') os << std::string(kColumn, ' ');
    }
    os << '\n';
  }
}

// What the exit status tells, for --help.
constexpr std::string_view kExitStatus =
    "exit status:\n"
    "  0      done: send got its whole replies, run every command's whole reply,\n"
    "         monitor was stopped by SIGINT or SIGTERM\n"
    "  1      a failed verdict: a reply missing or cut off, an error reply or a\n"
    "         wrong checksum (run), a run interrupted, the device gone, a port\n"
    "         error (open, read, close), output that could not be written, a\n"
    "         session log line that does not read (report)\n"
    "  2      wrong command line; nothing is printed on stdout\n"
    "  3      a reply's count is not a number\n"
    "  128+N  send stopped by signal N (130 for SIGINT, 143 for SIGTERM)\n";

// "dispenser-cli NAME --help": the subcommand's synopsis and what it does.
void PrintCommandUsage(const TCliCommand& command, std::ostream& os) {
  os << "usage: dispenser-cli " << command.Name;
  if (!command.Arguments.empty()) os << ' ' << command.Arguments;
  os << '\n' << command.Summary << '\n' << kExitStatus;
}

int UsageError(const std::string& message) {
  std::cerr << "dispenser-cli: " << message << '\n';
  PrintUsage(std::cerr);
  return cxUsage;
}

int Run(std::string_view name, TCliArgs args) {
  // "help COMMAND" as "COMMAND --help".
  static constexpr std::string_view kHelp[] = {"--help"};
  if (name == "help" && !args.empty()) return Run(args.front(), kHelp);
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(std::cout);
    std::cout << kExitStatus;
    return cxOk;
  }
  if (name == "--version") {
    std::cout << "dispenser-cli " << kProjectVersion << '\n';
    return cxOk;
  }
  const auto commands = CliCommands();
  const auto command = std::find_if(commands.begin(), commands.end(),
                                    [&](const TCliCommand& c) { return c.Name == name; });
  if (command == commands.end()) return UsageError("unknown command '" + std::string(name) + "'");
  // --help (or -h, as at the top) anywhere after the command name.
  if (std::any_of(args.begin(), args.end(),
                  [](std::string_view arg) { return arg == "--help" || arg == "-h"; })) {
    PrintCommandUsage(*command, std::cout);
    return cxOk;
  }
  try {
    return command->Run(args, std::cout, std::cerr);
  } catch (const ECliUsage& e) {
    return UsageError(e.Message());
  } catch (const std::exception& e) {
    std::cout.flush();
    // One line each, as every line of the tool's own.
    std::istringstream lines(e.what());
    for (std::string line; std::getline(lines, line);)
      std::cerr << "dispenser-cli: " << line << '\n';
    return cxFailure;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return UsageError("no command given");
  RegisterSimDispenser();  // --port SIM: the virtual dispenser in this program
  const std::vector<std::string_view> args(argv + 2, argv + argc);
  int code = Run(argv[1], args);
  // Output that did not reach its reader is a failure, not a success.
  if (!std::cout.flush() && code == cxOk) {
    std::cerr << "dispenser-cli: cannot write to standard output\n";
    code = cxFailure;
  }
  return code;
}
