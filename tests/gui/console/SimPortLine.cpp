// The SIM port as the window tests' dispenser: a name whose items are the
// settings given as dispenser-sim's options, a fresh machine per test.
#include <gtest/gtest.h>

#include <algorithm>

#include "console/protocol/HexText.h"
#include "console/simulator/DispenserSetup.h"
#include "console/simulator/SimDispenser.h"
#include "tests/gui/console/DispenserLine.h"

namespace console_test {

namespace {

// "--fault" "jam@2:3" "--split" as "SIM:fault=jam@2:3,split,fast": at
// once unless the test asks for a receiver, and so for the line's time.
std::string SimPortNameFor(const std::vector<std::string>& settings) {
  std::string items;
  if (std::find(settings.begin(), settings.end(), "--receiver") == settings.end()) {
    items = ":fast";
  }
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const std::string setting = settings[i].substr(2);
    items += (items.empty() ? ":" : ",") + setting;
    if (DispenserSettingForm(setting) == sfValue && i + 1 < settings.size()) {
      items += "=" + settings[++i];
    }
  }
  return "SIM" + items;
}

class TSimPortLine : public TDispenserLine {
 public:
  explicit TSimPortLine(std::string name) : FName(std::move(name)) {}

  std::string PortName() const override { return FName; }

  std::vector<std::string> Received() const override {
    std::vector<std::string> frames;
    if (const auto dispenser = FindSimDispenser(FName)) {
      for (const TExchange& exchange : dispenser->Exchanges()) {
        if (exchange.Ignored.empty()) frames.push_back(HexText(exchange.Received));
      }
    }
    return frames;
  }

 private:
  std::string FName;
};

}  // namespace

std::unique_ptr<TDispenserLine> StartSimPortDispenser(const std::vector<std::string>& settings) {
  RegisterSimDispenser();
  RestartSimDispensers();  // the last test's window has closed its port
  return std::make_unique<TSimPortLine>(SimPortNameFor(settings));
}

std::string LineKindName(TLineKind kind) {
  return kind == lkSimPort ? "SimPort" : "Pty";
}

}  // namespace console_test
