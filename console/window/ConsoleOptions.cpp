#include "console/window/ConsoleOptions.h"

#include "console/session/SessionLog.h"
#include "console/simulator/SimPortName.h"

namespace {

// Where the session logs go by default, for the usage text.
std::string DefaultLogFolderText() {
  try {
    return SessionLogFolder();
  } catch (const std::exception& error) {
    return error.what();
  }
}

// The value of "--name VALUE" or "--name=VALUE" at args[i]; nothing if the
// argument is another option.
std::optional<std::string_view> OptionValue(std::span<const std::string_view> args, std::size_t& i,
                                            std::string_view name, const char* missing) {
  const std::string_view arg = args[i];
  std::string_view value;
  if (arg == name) {
    if (i + 1 == args.size()) throw EConsoleUsage(missing);
    value = args[++i];
  } else if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
  } else {
    return std::nullopt;
  }
  if (value.empty()) throw EConsoleUsage(missing);
  return value;
}

}  // namespace

TConsoleOptions ParseConsoleOptions(std::span<const std::string_view> args) {
  TConsoleOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.Help = true;
    } else if (arg == "--version") {
      options.Version = true;
    } else if (arg == "--no-log") {
      options.NoLog = true;
    } else if (const auto port = OptionValue(args, i, "--port", "--port needs a port name")) {
      try {
        CheckPortName(*port);
      } catch (const EConvertError& e) {
        throw EConsoleUsage("--port " + e.Message());
      }
      options.Port = *port;
    } else if (const auto log = OptionValue(args, i, "--log", "--log needs a file name")) {
      options.LogFile = *log;
    } else {
      throw EConsoleUsage("unknown argument '" + std::string(arg) + "'");
    }
  }
  if (options.NoLog && !options.LogFile.empty()) {
    throw EConsoleUsage("--log and --no-log exclude each other");
  }
  return options;
}

std::string ConsoleUsage() {
  return "usage: dispenser-console [--port NAME] [--log FILE | --no-log]\n"
         "       dispenser-console --help | --version\n"
         "The test console of the banknote dispenser: opens the serial port, sends the\n"
         "dispenser's commands and shows its replies.\n"
         "  --port NAME   the port to open instead of the one used last (COM1 at first):\n"
         "                COMn (/dev/ttyS(n-1)), a name under /dev such as ttyUSB0, the\n"
         "                path of a terminal device, or SIM, a virtual dispenser in the\n"
         "                program (SIM:jam@2 with a fault; the items are dispenser-sim's\n"
         "                settings: see its --help)\n"
         "  --log FILE    write the session log to FILE instead of a new file in the\n"
         "                log folder (" +
         DefaultLogFolderText() +
         ")\n"
         "  --no-log      write no session log\n"
         "  --help        this text\n"
         "  --version     the program's name and version\n";
}
