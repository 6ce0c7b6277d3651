// monitor's line events between the blocks, against the simulated device the
// test drives: monitor runs in the test's process, as dispenser-cli runs it.
#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/serial/sim/SimPort.h"
#include "tools/cli/CliCommand.h"

int RunMonitor(TCliArgs args, std::ostream& out, std::ostream& err);

namespace {

using namespace std::chrono_literals;
using comm::sim::SimPort;

// What monitor prints, read by the test's driver while monitor writes it.
class TSharedOut : public std::streambuf {
 public:
  std::string Text() const {
    std::lock_guard lock(FMutex);
    return FText;
  }
  // Waits until the text holds `part` `times` times.
  bool WaitFor(const std::string& part, std::size_t times = 1) const {
    for (auto waited = 0ms; waited < 10s; waited += 2ms) {
      const std::string text = Text();
      std::size_t found = 0;
      for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
      }
      if (found >= times) return true;
      std::this_thread::sleep_for(2ms);
    }
    return false;
  }

 protected:
  int_type overflow(int_type c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    std::lock_guard lock(FMutex);
    FText += static_cast<char>(c);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard lock(FMutex);
    FText.append(s, static_cast<std::size_t>(n));
    return n;
  }

 private:
  mutable std::mutex FMutex;
  std::string FText;
};

struct TKindCase {
  const char* Name;
  std::function<void(SimPort&)> Raise;
  std::string Text;  // as monitor prints it, after the time
  std::string Json;  // the object's fields after the time
};

// One case per kind the dispenser's line (8N1, parity unchecked) can report.
const TKindCase kKinds[] = {
    {"break", [](SimPort& d) { d.InjectErrors(CE_BREAK); }, "break", R"("event": "break")"},
    {"framing", [](SimPort& d) { d.InjectErrors(CE_FRAME); }, "framing error",
     R"("event": "framing-error")"},
    {"overrun", [](SimPort& d) { d.InjectErrors(CE_OVERRUN); }, "overrun error",
     R"("event": "overrun")"},
    {"rx-over", [](SimPort& d) { d.InjectErrors(CE_RXOVER); }, "input queue overflow",
     R"("event": "rx-overflow")"},
    {"cts", [](SimPort& d) { d.SetCTS(true); }, "CTS on", R"("event": "cts", "on": true)"},
    {"dsr", [](SimPort& d) { d.SetDSR(true); }, "DSR on", R"("event": "dsr", "on": true)"},
    {"ring", [](SimPort& d) { d.SetRing(true); }, "RING on", R"("event": "ring", "on": true)"},
    {"rlsd", [](SimPort& d) { d.SetRLSD(true); }, "RLSD on", R"("event": "rlsd", "on": true)"},
};

// Runs monitor on a simulated port; for each kind feeds a byte, raises the
// event, feeds another byte, each step once the one before was printed.
// Returns monitor's time-stamped lines, their times left out.
std::string MonitorEachKind(bool json) {
  SimPort device("LINE1");
  TSharedOut shared;
  std::ostream out(&shared);
  TSharedOut sharedErr;
  std::ostream err(&sharedErr);
  std::thread driver([&] {
    // Once monitor says so, the port's events are set: a byte fed before
    // would raise none.
    EXPECT_TRUE(sharedErr.WaitFor(" until interrupted\n"));
    const std::string blockMark = json ? R"("bytes": 1)" : "1 byte: ";
    std::size_t blocks = 0;
    for (const TKindCase& kind : kKinds) {
      device.Feed("a");
      EXPECT_TRUE(shared.WaitFor(blockMark, ++blocks)) << kind.Name;
      kind.Raise(device);
      EXPECT_TRUE(shared.WaitFor(json ? kind.Json : ", " + kind.Text + "\n")) << kind.Name;
      device.Feed("z");
      EXPECT_TRUE(shared.WaitFor(blockMark, ++blocks)) << kind.Name;
    }
    device.Unplug();  // ends monitor
  });
  std::vector<std::string_view> args = {"--port", "LINE1"};
  if (json) args.push_back("--json");
  EXPECT_EQ(RunMonitor(args, out, err), cxFailure);  // the device went
  driver.join();
  EXPECT_NE(sharedErr.Text().find("the device is gone"), std::string::npos) << sharedErr.Text();
  // The time-stamped lines: blocks and line events, the effects left out.
  const std::regex time(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})");
  std::istringstream printed(std::regex_replace(shared.Text(), time, "T"));
  std::string stamped;
  for (std::string line; std::getline(printed, line);) {
    if (line.starts_with("-- T, ") || line.starts_with(R"({"time": "T")")) stamped += line + "\n";
  }
  return stamped;
}

TEST(MonitorLineEvents, EachKindIsPrintedBetweenTheBlocksAroundIt) {
  for (bool json : {false, true}) {
    std::string expected;
    for (const TKindCase& kind : kKinds) {
      if (json) {
        expected += R"({"time": "T", "bytes": 1, "hex": "61"})"
                    "\n"
                    R"({"time": "T", )" +
                    kind.Json +
                    "}\n"
                    R"({"time": "T", "bytes": 1, "hex": "7A"})"
                    "\n";
      } else {
        expected += "-- T, 1 byte: 61\n-- T, " + kind.Text + "\n-- T, 1 byte: 7A\n";
      }
    }
    EXPECT_EQ(MonitorEachKind(json), expected) << (json ? "json" : "text");
  }
}

}  // namespace
