// Where the window's dispenser sits in a test: the SIM port in the test
// program itself (on every system), or dispenser-sim on a pseudo-terminal
// (Linux). The window tests run on each line the system offers.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace console_test {

enum TLineKind : std::uint8_t { lkSimPort, lkPty };

// "SimPort", "Pty": the test's name suffix.
std::string LineKindName(TLineKind kind);
inline void PrintTo(TLineKind kind, std::ostream* os) {
  *os << LineKindName(kind);
}

class TDispenserLine {
 public:
  virtual ~TDispenserLine() = default;
  // The port the window opens.
  virtual std::string PortName() const = 0;
  // The command frames the dispenser answered so far, in hex, oldest first.
  virtual std::vector<std::string> Received() const = 0;
};

// The lines this system offers.
std::vector<TLineKind> LineKinds();

// A fresh dispenser with dispenser-sim's `settings` ("--fault", "jam@2:3") on
// that line; null (and a test failure) when it could not start.
std::unique_ptr<TDispenserLine> StartDispenser(TLineKind kind,
                                               const std::vector<std::string>& settings);

// The SIM port, on every system.
std::unique_ptr<TDispenserLine> StartSimPortDispenser(const std::vector<std::string>& settings);

}  // namespace console_test
