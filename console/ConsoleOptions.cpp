#include "console/ConsoleOptions.h"

TConsoleOptions ParseConsoleOptions(std::span<const std::string_view> args) {
  TConsoleOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.Help = true;
    } else if (arg == "--version") {
      options.Version = true;
    } else if (arg == "--port" || arg.starts_with("--port=")) {
      std::string_view value;
      if (arg == "--port") {
        if (i + 1 == args.size()) throw EConsoleUsage("--port needs a port name");
        value = args[++i];
      } else {
        value = arg.substr(7);
      }
      if (value.empty()) throw EConsoleUsage("--port needs a port name");
      options.Port = value;
    } else {
      throw EConsoleUsage("unknown argument '" + std::string(arg) + "'");
    }
  }
  return options;
}

std::string ConsoleUsage() {
  return "usage: dispenser-console [--port NAME]\n"
         "       dispenser-console --help | --version\n"
         "The test console of the banknote dispenser: opens the serial port, sends the\n"
         "dispenser's commands and shows its replies.\n"
         "  --port NAME   the port to open instead of COM1: COMn (/dev/ttyS(n-1)), a name\n"
         "                under /dev such as ttyUSB0, or the path of a terminal device\n"
         "  --help        this text\n"
         "  --version     the program's name and version\n";
}
