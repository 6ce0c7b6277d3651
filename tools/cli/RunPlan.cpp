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

std::string ReadTextFile(const std::string& path, const std::string& what) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ECliUsage("cannot read the " + what + " " + path);
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

std::vector<std::string> ParsePortsFile(std::string_view text) {
  std::vector<std::string> ports;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && !line.starts_with('#')) ports.emplace_back(line);
  }
  return ports;
}

std::string PortLogFile(const std::string& logFile, const std::string& port,
                        const std::vector<std::string>& taken) {
  const std::size_t slash = logFile.find_last_of("/\\");
  const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = logFile.rfind('.');
  if (dot == std::string::npos || dot <= nameAt) dot = logFile.size();
  std::string tag;
  for (const char c : port.substr(std::min(port.size(), port.find_last_of("/\\") + 1))) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_' || c == '-';
    tag += kept ? c : '-';
  }
  if (tag.empty()) tag = "port";
  const std::string stem = logFile.substr(0, dot) + "-" + tag, extension = logFile.substr(dot);
  std::string path = stem + extension;
  for (unsigned n = 2; std::find(taken.begin(), taken.end(), path) != taken.end(); ++n) {
    path = stem + "-" + IntToStr(n) + extension;
  }
  return path;
}

std::vector<std::pair<std::string, std::string>> TRunPlan::Settings() const {
  std::string steps;
  for (const TRunStep& step : Steps) {
    if (!steps.empty()) steps += ", ";
    if (const auto* wait = std::get_if<std::chrono::milliseconds>(&step)) {
      steps += "wait " + IntToStr(wait->count()) + " ms";
    } else {
      steps += CommandName(std::get<TDispenserCommand>(step));
    }
  }
  return {{"repeat", IntToStr(Repeat)},
          {"interval", IntToStr(Interval.count()) + " ms"},
          {"timeout", IntToStr(Timeout.count()) + " ms"},
          {"stop-on-error", StopOnError ? "yes" : "no"},
          {"steps", steps}};
}

TRunPlan ParseRunPlan(TCliArgs args) {
  TRunPlan plan;
  std::string script;
  for (TOptionReader options(args); options.Next();) {
    const std::string_view arg = options.Arg();
    const std::string_view name = options.Name();
    if (name == "--port") {
      plan.Ports.emplace_back(options.Value());
      if (plan.Ports.back().empty()) throw ECliUsage("--port needs a port name");
    } else if (name == "--ports") {
      const std::string file(options.Value());
      if (file.empty()) throw ECliUsage("--ports needs a file name");
      const std::vector<std::string> listed = ParsePortsFile(ReadTextFile(file, "ports file"));
      if (listed.empty()) throw ECliUsage("the ports file " + file + " names no port");
      plan.Ports.insert(plan.Ports.end(), listed.begin(), listed.end());
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
    } else if (name == "--report") {
      plan.ReportFile = options.Value();
      if (plan.ReportFile.empty()) throw ECliUsage("--report needs a file name");
    } else if (name == "--script") {
      script = options.Value();
      if (script.empty()) throw ECliUsage("--script needs a file name");
    } else if (arg.starts_with("-")) {
      throw ECliUsage("unknown option '" + std::string(arg) + "'");
    } else {
      plan.Steps.emplace_back(ParseCommand(arg));
    }
  }
  if (plan.Ports.empty()) throw ECliUsage("--port NAME is missing");
  for (auto port = plan.Ports.begin(); port != plan.Ports.end(); ++port) {
    if (std::find(plan.Ports.begin(), port, *port) != port) {
      throw ECliUsage("the port " + *port + " is given twice");
    }
  }
  if (!script.empty() && !plan.Steps.empty()) {
    throw ECliUsage("give commands or --script, not both");
  }
  if (!script.empty()) plan.Steps = ParseRunScript(ReadTextFile(script, "script"));
  if (plan.Steps.empty()) {
    throw ECliUsage("run needs command names (" + CommandNameList() + ") or --script FILE");
  }
  return plan;
}
