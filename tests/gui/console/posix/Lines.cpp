// Linux: dispenser-sim on a pseudo-terminal as a user runs it, and the SIM
// port.
#include <sstream>

#include "tests/gui/console/DispenserLine.h"
#include "tests/gui/console/posix/SimLog.h"
#include "tests/integration/dispenser/SimProcess.h"

namespace console_test {

namespace {

class TPtyLine : public TDispenserLine {
 public:
  explicit TPtyLine(std::vector<std::string> settings) {
    settings.insert(settings.end(), {"--log", LogFile()});
    FSim = std::make_unique<simtest::TSimProcess>(settings);
  }

  bool Started() const { return !FSim->SlavePath().empty(); }
  // "pts/N", as an operator names the terminal.
  std::string PortName() const override { return FSim->SlavePath().substr(5); }

  std::vector<std::string> Received() const override { return FramesReceived(LogFile()); }

 private:
  std::string LogFile() const { return FScratch.File("frames.log"); }

  simtest::TScratchDir FScratch;
  std::unique_ptr<simtest::TSimProcess> FSim;
};

}  // namespace

std::vector<std::string> FramesReceived(const std::string& logFile) {
  std::vector<std::string> frames;
  std::istringstream log(simtest::ReadWholeFile(logFile));
  std::string date, time, what, hex;
  for (std::string line; std::getline(log, line);) {
    std::istringstream fields(line);
    if (fields >> date >> time >> what >> hex && what == "in") frames.push_back(hex);
  }
  return frames;
}

std::vector<TLineKind> LineKinds() {
  return {lkPty, lkSimPort};
}

std::unique_ptr<TDispenserLine> StartDispenser(TLineKind kind,
                                               const std::vector<std::string>& settings) {
  if (kind == lkSimPort) return StartSimPortDispenser(settings);
  auto line = std::make_unique<TPtyLine>(settings);
  if (!line->Started()) {
    ADD_FAILURE() << "dispenser-sim did not start";
    return nullptr;
  }
  return line;
}

}  // namespace console_test
