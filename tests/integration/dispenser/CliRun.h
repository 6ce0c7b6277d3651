// What the tests of dispenser-cli run on several ports and of its report
// share: the SIM names and simulator command lines they use (each made here
// alone), the program run to its end, the numbers of its JSON summary.
#pragma once

#include <cctype>
#include <regex>

#include "tests/integration/dispenser/SimProcess.h"

namespace simtest {

// The SIM port names and dispenser-sim command lines these tests use, each
// made here alone.
// They need speed, not a line's time: every SIM port answers at once.
inline std::string SimName(const std::string& items) {
  return items.empty() ? "SIM:fast" : "SIM:fast," + items;
}
// The log `run --log run.tsv` writes for one of several ports, as the
// README names it: the port's last path part, other characters than
// letters, digits, '.', '_' and '-' as '-'.
inline std::string RunLogOf(const std::string& port) {
  std::string part = port.substr(port.rfind('/') + 1);
  for (char& c : part) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '-';
  }
  return "run-" + part + ".tsv";
}
inline std::vector<std::string> SimArgs(std::vector<std::string> args) {
  return args;
}

struct TCliRun {
  int Exit = -1;
  std::string Out, Err;
};

inline TCliRun Cli(const TScratchDir& dir, const std::vector<std::string>& args) {
  TCliRun run;
  run.Exit = WaitExit(Spawn(DISPENSER_CLI, args, dir.File("out"), dir.File("err")));
  run.Out = ReadWholeFile(dir.File("out"));
  run.Err = ReadWholeFile(dir.File("err"));
  return run;
}

// Every `"key": N` of a JSON text, in order.
inline std::vector<long> Numbers(const std::string& json, const std::string& key) {
  std::vector<long> numbers;
  const std::regex pattern("\"" + key + "\": (\\d+)");
  for (auto m = std::sregex_iterator(json.begin(), json.end(), pattern);
       m != std::sregex_iterator(); ++m) {
    numbers.push_back(std::stol((*m)[1]));
  }
  return numbers;
}

}  // namespace simtest
