// The COM port whose far end is dispenser-sim, as the Wine pass
// (tools/windows/wine-tests) sets it up: its name in DISPENSER_SIM_PORT, the
// simulator's frame log in DISPENSER_SIM_LOG. The tests fail without them.
// (No <windows.h> here: the runtime's message names share the system's.)
#pragma once

#include <winerror.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/integration/win32/Wine.h"

inline std::string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// Why Wine cannot run the checks that wait for comm events.
inline constexpr const char* kWineHasNoCommEvents =
    "Wine on a pseudo-terminal cannot wait for comm events: WaitCommEvent fails with "
    "ERROR_NOT_SUPPORTED when the mask holds a modem line, and otherwise completes at once as "
    "cancelled; GetCommModemStatus fails the same way. The Linux tests run the engine's event "
    "path on the same code above the device interface.";

class SimComPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    portName = EnvironmentText("DISPENSER_SIM_PORT");
    logPath = EnvironmentText("DISPENSER_SIM_LOG");
    ASSERT_FALSE(portName.empty() || logPath.empty())
        << "DISPENSER_SIM_PORT and DISPENSER_SIM_LOG name the COM port that dispenser-sim "
           "serves and its frame log; tools/windows/wine-tests sets them";
    logStart = LogText().size();
  }

  std::string LogText() const {
    std::ifstream in(logPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The hex of every frame the simulator received since the test began.
  std::vector<std::string> FramesReceived() const {
    std::istringstream lines(LogText().substr(logStart));
    std::vector<std::string> frames;
    std::string date, time, what, hex;
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      if (fields >> date >> time >> what >> hex && what == "in") frames.push_back(hex);
    }
    return frames;
  }

  std::string portName;
  std::string logPath;
  std::size_t logStart = 0;
};
