#include "tools/cli/PortArguments.h"

#include "tools/common/Decimal.h"

namespace {

std::chrono::milliseconds ParseWait(std::string_view text) {
  const auto ms = ParseDecimal(text, static_cast<std::uint64_t>(kMaxWait.count()));
  if (!ms) {
    throw ECliUsage("--wait '" + std::string(text) +
                    "' is not a number of milliseconds from 0 to " + IntToStr(kMaxWait.count()));
  }
  return std::chrono::milliseconds(*ms);
}

unsigned ParseReplies(std::string_view text) {
  const auto n = ParseDecimal(text, 1000);
  if (!n || *n == 0) {
    throw ECliUsage("--replies '" + std::string(text) + "' is not a number from 1 to 1000");
  }
  return static_cast<unsigned>(*n);
}

}  // namespace

TPortArguments ParsePortArguments(TCliArgs args, TPortArgumentsUse use) {
  TPortArguments parsed;
  bool portGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
    const std::string_view name = arg.substr(0, equals);
    auto value = [&]() -> std::string_view {
      if (equals != std::string_view::npos) return arg.substr(equals + 1);
      if (i + 1 == args.size()) throw ECliUsage(std::string(name) + " needs a value");
      return args[++i];
    };
    if (name == "--port") {
      parsed.Port = value();
      portGiven = true;
      if (parsed.Port.empty()) throw ECliUsage("--port needs a port name");
    } else if (name == "--json" && equals == std::string_view::npos) {
      parsed.Format = efJson;
    } else if (name == "--wait" && use == paSend) {
      parsed.Wait = ParseWait(value());
    } else if (name == "--replies" && use == paSend) {
      parsed.Replies = ParseReplies(value());
    } else if (arg.starts_with("-")) {
      throw ECliUsage("unknown option '" + std::string(arg) + "'");
    } else if (use == paSend && !parsed.Command) {
      parsed.Command = FindCommand(arg);
      if (!parsed.Command) {
        throw ECliUsage("unknown command name '" + std::string(arg) + "' (one of " +
                        CommandNameList() + ")");
      }
    } else {
      throw ECliUsage("unexpected argument '" + std::string(arg) + "'");
    }
  }
  if (!portGiven) throw ECliUsage("--port NAME is missing");
  if (use == paSend && !parsed.Command) {
    throw ECliUsage("send needs a command name (one of " + CommandNameList() + ")");
  }
  return parsed;
}
