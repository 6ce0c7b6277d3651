#include "tools/cli/PortArguments.h"

#include <charconv>

namespace {

std::chrono::milliseconds ParseWait(std::string_view text) {
  long long ms = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ms);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || ms < 0 ||
      ms > kMaxWait.count()) {
    throw ECliUsage("--wait '" + std::string(text) +
                    "' is not a number of milliseconds from 0 to " + IntToStr(kMaxWait.count()));
  }
  return std::chrono::milliseconds(ms);
}

unsigned ParseReplies(std::string_view text) {
  unsigned n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || n == 0 ||
      n > 1000) {
    throw ECliUsage("--replies '" + std::string(text) + "' is not a number from 1 to 1000");
  }
  return n;
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
