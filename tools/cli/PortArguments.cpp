#include "tools/cli/PortArguments.h"

#include "console/simulator/SimPortName.h"
#include "platform/runtime/Decimal.h"
#include "tools/cli/OptionReader.h"

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
  for (TOptionReader options(args); options.Next();) {
    const std::string_view arg = options.Arg();
    const std::string_view name = options.Name();
    if (name == "--port") {
      parsed.Port = options.Value();
      portGiven = true;
      if (parsed.Port.empty()) throw ECliUsage("--port needs a port name");
      try {
        CheckPortName(parsed.Port);
      } catch (const EConvertError& e) {
        throw ECliUsage("--port " + e.Message());
      }
    } else if (name == "--json") {
      options.Flag();
      parsed.Format = efJson;
    } else if (name == "--wait" && use == paSend) {
      parsed.Wait = ParseWait(options.Value());
    } else if (name == "--replies" && use == paSend) {
      parsed.Replies = ParseReplies(options.Value());
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
