#include "tools/cli/RunPlan.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/runtime/Decimal.h"
#include "tools/cli/OptionReader.h"

namespace {

constexpr std::uint64_t kMaxMs = 3'600'000;

std::chrono::milliseconds ParseMs(std::string_view option, std::string_view text) {
  const auto ms = ParseDecimal(text, kMaxMs);
  if (!ms) {
    throw ECliUsage(std::string(option) + " '" + std::string(text) +
                    "' is not a number of milliseconds from 0 to " + IntToStr(kMaxMs));
  }
  return std::chrono::milliseconds(*ms);
}

TDispenserCommand ParseCommand(std::string_view name) {
  const auto command = FindCommand(name);
  if (!command) {
    throw ECliUsage("unknown command name '" + std::string(name) + "' (one of " +
                    CommandNameList() + ")");
  }
  return *command;
}

std::string ReadScript(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ECliUsage("cannot read the script " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::vector<TRunStep> ParseRunScript(std::string_view text) {
  std::vector<TRunStep> steps;
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty() || line.starts_with('#')) continue;
    try {
      if (line.starts_with("wait ") || line.starts_with("wait\t")) {
        steps.emplace_back(ParseMs("wait", Trimmed(line.substr(5))));
      } else {
        steps.emplace_back(ParseCommand(line));
      }
    } catch (const ECliUsage& e) {
      throw ECliUsage("script line " + IntToStr(static_cast<std::int64_t>(number)) + ": " +
                      e.Message());
    }
  }
  if (std::none_of(steps.begin(), steps.end(), [](const TRunStep& s) {
        return std::holds_alternative<TDispenserCommand>(s);
      })) {
    throw ECliUsage("the script sends no command");
  }
  return steps;
}

TRunPlan ParseRunPlan(TCliArgs args) {
  TRunPlan plan;
  std::string script;
  bool portGiven = false;
  for (TOptionReader options(args); options.Next();) {
    const std::string_view arg = options.Arg();
    const std::string_view name = options.Name();
    if (name == "--port") {
      plan.Port = options.Value();
      portGiven = true;
      if (plan.Port.empty()) throw ECliUsage("--port needs a port name");
    } else if (name == "--repeat") {
      const std::string_view text = options.Value();
      const auto n = ParseDecimal(text, kMaxRepeat);
      if (!n || *n == 0) {
        throw ECliUsage("--repeat '" + std::string(text) + "' is not a number from 1 to " +
                        IntToStr(kMaxRepeat));
      }
      plan.Repeat = static_cast<unsigned>(*n);
    } else if (name == "--interval") {
      plan.Interval = ParseMs("--interval", options.Value());
    } else if (name == "--timeout") {
      plan.Timeout = ParseMs("--timeout", options.Value());
      if (plan.Timeout.count() == 0) throw ECliUsage("--timeout must be at least 1 ms");
    } else if (name == "--stop-on-error") {
      options.Flag();
      plan.StopOnError = true;
    } else if (name == "--json") {
      options.Flag();
      plan.Json = true;
    } else if (name == "--log") {
      plan.LogFile = options.Value();
      if (plan.LogFile.empty()) throw ECliUsage("--log needs a file name");
    } else if (name == "--script") {
      script = options.Value();
      if (script.empty()) throw ECliUsage("--script needs a file name");
    } else if (arg.starts_with("-")) {
      throw ECliUsage("unknown option '" + std::string(arg) + "'");
    } else {
      plan.Steps.emplace_back(ParseCommand(arg));
    }
  }
  if (!portGiven) throw ECliUsage("--port NAME is missing");
  if (!script.empty() && !plan.Steps.empty()) {
    throw ECliUsage("give commands or --script, not both");
  }
  if (!script.empty()) plan.Steps = ParseRunScript(ReadScript(script));
  if (plan.Steps.empty()) {
    throw ECliUsage("run needs command names (" + CommandNameList() + ") or --script FILE");
  }
  return plan;
}
