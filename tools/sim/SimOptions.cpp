#include "tools/sim/SimOptions.h"

#include <optional>

#include "console/simulator/ReplySchedule.h"

namespace {

// Walks the arguments, handing out each option's value.
class TArgumentReader {
 public:
  explicit TArgumentReader(std::span<const std::string_view> args) : FArgs(args) {}

  bool Next() {
    if (FIndex == FArgs.size()) return false;
    const std::string_view arg = FArgs[FIndex++];
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
    FName = arg.substr(0, equals);
    FHasInlineValue = equals != std::string_view::npos;
    FInlineValue = FHasInlineValue ? arg.substr(equals + 1) : std::string_view();
    return true;
  }
  std::string_view Name() const { return FName; }

  std::string_view Value() {
    if (FHasInlineValue) return FInlineValue;
    if (FIndex == FArgs.size()) throw ESimUsage(std::string(FName) + " needs a value");
    return FArgs[FIndex++];
  }
  std::optional<std::string_view> InlineValue() const {
    return FHasInlineValue ? std::optional(FInlineValue) : std::nullopt;
  }
  void NoValue() const {
    if (FHasInlineValue) throw ESimUsage(std::string(FName) + " takes no value");
  }

 private:
  std::span<const std::string_view> FArgs;
  std::size_t FIndex = 0;
  std::string_view FName;
  bool FHasInlineValue = false;  // "--name=VALUE"
  std::string_view FInlineValue;
};

}  // namespace

TSimOptions ParseSimOptions(std::span<const std::string_view> args) {
  TSimOptions options;
  TArgumentReader reader(args);
  while (reader.Next()) {
    const std::string_view name = reader.Name();
    // The dispenser's own settings: "--delay 200" is the setting "delay".
    const std::string_view setting = name.starts_with("--") ? name.substr(2) : std::string_view();
    const TSettingForm form = DispenserSettingForm(setting);
    if (name == "--help" || name == "-h") {
      reader.NoValue();
      options.Help = true;
    } else if (name == "--version") {
      reader.NoValue();
      options.Version = true;
    } else if (setting == "line") {
      throw ESimUsage(
          "--line: a pseudo-terminal carries no breaks, line errors or modem lines;"
          " a SIM port's line=... makes them");
    } else if (form != sfNone) {
      const auto value = form == sfValue ? std::optional(reader.Value()) : reader.InlineValue();
      try {
        ApplyDispenserSetting(options, setting, value);
      } catch (const EConvertError& e) {
        throw ESimUsage("--" + e.Message());
      }
    } else if (name == "--link") {
      options.Link = reader.Value();
      if (options.Link.empty()) throw ESimUsage("--link needs a path");
    } else if (name == "--log") {
      options.LogFile = reader.Value();
      if (options.LogFile.empty()) throw ESimUsage("--log needs a file name");
    } else {
      throw ESimUsage("unknown argument '" + std::string(name) + "'");
    }
  }
  return options;
}

std::string SimUsage() {
  // The fault kinds, wrapped under the --fault text.
  std::string kinds = "                 KIND:";
  std::size_t width = kinds.size();
  for (int code = fkNoNotes; code <= fkReceiveError; ++code) {
    const std::string name = " " + std::string(FaultKindName(static_cast<TFaultKind>(code))) + ",";
    if (width + name.size() > 79) {
      kinds += "\n" + std::string(16, ' ');
      width = 16;
    }
    kinds += name;
    width += name.size();
  }
  return "usage: dispenser-sim [--link PATH] [--delay MS] [--split] [--log FILE]\n"
         "                     [--mute-after N] [--fault KIND[@N][:NOTES]]...\n"
         "                     [--fast | --receiver pty|uart|usb[:MS]]\n"
         "       dispenser-sim --help | --version\n"
         "A virtual dispenser on a pseudo-terminal. Prints the path of the terminal to\n"
         "open, then answers command frames until interrupted (SIGINT, SIGTERM, SIGHUP).\n"
         "  --link PATH    make PATH a symbolic link to the terminal (removed on exit)\n"
         "  --delay MS     wait MS milliseconds before each reply\n"
         "  --split        send each reply in two writes, " +
         IntToStr(kSplitPause.count()) +
         " ms apart\n"
         "  --fast         answer at once; without it the dispenser keeps the line's time:\n"
         "                 a command counts when its bytes would have crossed the line at\n"
         "                 the settings the program set (21 ms from the end of a write\n"
         "                 to the end of a 10-byte reply at 9600 bit/s), and a program's\n"
         "                 settings other than 9600 8N1 are told on stderr\n"
         "  --receiver R   how the program's receiver hands a reply on: pty whole, when\n"
         "                 its last byte has crossed (default: the line's own time);\n"
         "                 uart as a 16550's FIFO (8 bytes, the rest 4 characters after\n"
         "                 the last); usb[:MS] when a USB adapter's latency timer runs\n"
         "                 out (every 16 ms, or MS)\n"
         "  --log FILE     append every frame in and out, with a timestamp, to FILE\n"
         "  --mute-after N answer the first N command frames, then none (a dispenser\n"
         "                 that hangs)\n"
         "  --fault F      dispense N (counted from start; every dispense without @N)\n"
         "                 fails with error KIND after NOTES notes (default 4), and the\n"
         "                 dispenser stays in the error state until an error clear.\n" +
         kinds +
         "\n"
         "                 or the error code 1-9. Several --fault options may be given.\n"
         "The same dispenser runs inside dispenser-console and dispenser-cli as the port\n"
         "SIM, its settings after a colon: --port SIM:jam@2:3,delay=200,split\n";
}
