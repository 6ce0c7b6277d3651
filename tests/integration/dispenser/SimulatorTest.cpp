// dispenser-sim as a program on a real pseudo-terminal: the terminal it
// offers, its link, its log, and how it outlives the console closing the port.
#include <sys/stat.h>

#include <chrono>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/HexText.h"
#include "tests/integration/dispenser/SimProcess.h"

using namespace simtest;

namespace {

std::string ReplyTo(TTerminal& terminal, TDispenserCommand command) {
  terminal.Write(CommandFrame(command));
  return HexText(terminal.Read(10));
}

// Context switches plus CPU ticks the process has used so far: the count
// stays nearly put while it sleeps in its wait and races while it spins.
long Activity(pid_t pid) {
  long total = 0;
  std::istringstream status(ReadWholeFile("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.find("ctxt_switches:") != std::string::npos) {
      total += std::stol(line.substr(line.find(':') + 1));
    }
  }
  std::istringstream stat(ReadWholeFile("/proc/" + std::to_string(pid) + "/stat"));
  std::string field;
  for (int i = 1; stat >> field; ++i) {
    if (i == 14 || i == 15) total += std::stol(field);  // utime, stime
  }
  return total;
}

}  // namespace

TEST(SimulatorProgram, ServesTheNextOpenerAfterTheConsoleClosedTheTerminalAndSleepsMeanwhile) {
  TSimProcess sim;
  ASSERT_TRUE(sim.Running());
  {
    TTerminal console(sim.SlavePath());
    EXPECT_EQ(ReplyTo(console, dcDispense), "02303062303031308503");
  }
  // Nobody has the terminal open now: the simulator must neither end nor spin.
  // Give it a moment to see the close, then count what it does in a second.
  // A sleeping simulator does (next to) nothing; one that spins on the idle
  // terminal would count thousands. A loaded machine may wake it once or twice.
  usleep(200'000);
  const long before = Activity(sim.Pid());
  usleep(1'000'000);
  EXPECT_LE(Activity(sim.Pid()) - before, 5) << "the simulator keeps waking up";
  ASSERT_TRUE(sim.Running());

  TTerminal again(sim.SlavePath());
  EXPECT_EQ(ReplyTo(again, dcCountQuery), "02303063303031308603") << "the total survived";
  EXPECT_EQ(sim.Stop(SIGINT), 0);
  EXPECT_EQ(sim.Err(), "");
}

TEST(SimulatorProgram, LinkPointsAtTheTerminalUntilTheSimulatorIsStopped) {
  TScratchDir dir;
  const std::string link = dir.File("dispenser");
  ASSERT_EQ(symlink("/nonexistent/left-by-a-killed-run", link.c_str()), 0);
  TSimProcess sim({"--link", link});
  ASSERT_TRUE(sim.Running()) << sim.Err();
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), sim.SlavePath());
  TTerminal console(link);
  EXPECT_EQ(ReplyTo(console, dcStateQuery), "0230307372303030D703");
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  struct stat gone {};
  EXPECT_NE(lstat(link.c_str(), &gone), 0);
}

TEST(SimulatorProgram, RefusesToReplaceAFileWithItsLinkAndRefusesBadArguments) {
  TScratchDir dir;
  const std::string file = dir.File("precious");
  std::ofstream(file) << "keep me";
  TSimProcess sim({"--link", file});
  EXPECT_EQ(sim.ExitStatus(), 1);
  EXPECT_NE(sim.Err().find("is not a symbolic link"), std::string::npos) << sim.Err();
  EXPECT_EQ(ReadWholeFile(file), "keep me");

  TSimProcess wrong({"--fault", "jam@x"});
  EXPECT_EQ(wrong.ExitStatus(), 2);
  EXPECT_NE(wrong.Err().find("usage: dispenser-sim"), std::string::npos) << wrong.Err();
}

TEST(SimulatorProgram, LogsFramesInAndOutAndReportsWhatItIgnored) {
  TScratchDir dir;
  const std::string log = dir.File("frames.log");
  TSimProcess sim({"--log", log, "--split", "--fault", "half@1:2"});
  ASSERT_TRUE(sim.Running()) << sim.Err();
  TTerminal console(sim.SlavePath());
  console.Write(ParseHexText("41 42 02303043303030306603"));  // junk, then a bad checksum
  EXPECT_EQ(ReplyTo(console, dcDispense), "02303045343030336E03");
  EXPECT_EQ(sim.Stop(), 0);

  EXPECT_EQ(sim.Err(),
            "dispenser-sim: ignored 4142: bytes outside a frame\n"
            "dispenser-sim: ignored 02303043303030306603: bad checksum, should be 65\n");
  std::istringstream lines(ReadWholeFile(log));
  std::vector<std::string> entries;
  for (std::string line; std::getline(lines, line);) {
    ASSERT_GT(line.size(), 24u) << line;
    entries.push_back(line.substr(24));  // after "YYYY-MM-DD HH:MM:SS.mmm "
  }
  EXPECT_EQ(entries, (std::vector<std::string>{
                         "ignored 4142 (bytes outside a frame)",
                         "ignored 02303043303030306603 (bad checksum, should be 65)",
                         "in      02303042303030336703",
                         "out     0230304534 (first part)",
                         "out     3030336E03 (second part)",
                     }));
}

TEST(SimulatorProgram, DelaysEachReplyByAtLeastTheGivenTime) {
  TSimProcess sim({"--delay", "150"});
  TTerminal console(sim.SlavePath());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReplyTo(console, dcCountQuery), "02303063303030308503");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

// The line's time at 9600 bit/s 8N1: ten command bytes and ten reply bytes
// of 1.04 ms each. However late the test's reader wakes, the reply cannot
// be complete sooner; the log shows the pieces the receiver handed on.
TEST(SimulatorProgram, KeepsTheLinesTimeAndCutsRepliesAsTheReceiverWould) {
  const std::pair<const char*, std::vector<std::size_t>> receivers[] = {
      {"pty", {10}}, {"uart", {8, 2}}, {"usb:1", {}}};
  for (const auto& [receiver, pieces] : receivers) {
    TScratchDir dir;
    const std::string log = dir.File("frames.log");
    TSimProcess sim({"--receiver", receiver, "--log", log});
    ASSERT_TRUE(sim.Running()) << sim.Err();
    TTerminal console(sim.SlavePath());
    console.Write(CommandFrame(dcStateQuery));
    const auto written = std::chrono::steady_clock::now();
    EXPECT_EQ(HexText(console.Read(10)), "0230307372303030D703") << receiver;
    EXPECT_GE(std::chrono::steady_clock::now() - written, std::chrono::microseconds(20'800))
        << receiver;
    EXPECT_EQ(sim.Stop(), 0);
    std::istringstream lines(ReadWholeFile(log));
    std::vector<std::size_t> out;
    for (std::string line; std::getline(lines, line);) {
      if (line.substr(24, 4) != "out ") continue;
      const std::string hex = line.substr(32);
      out.push_back(hex.substr(0, hex.find(' ')).size() / 2);
    }
    std::size_t total = 0;
    for (std::size_t bytes : out) total += bytes;
    EXPECT_EQ(total, 10u) << receiver;
    if (!pieces.empty()) {
      EXPECT_EQ(out, pieces) << receiver;
    }
    EXPECT_EQ(sim.Err(), "") << receiver;
  }
}

TEST(SimulatorProgram, TellsAProgramOnAnotherRateThatItsBytesWouldBeGarbled) {
  TSimProcess sim({"--receiver", "pty"});
  TTerminal console(sim.SlavePath());
  console.SetRate(B19200);
  EXPECT_EQ(ReplyTo(console, dcCountQuery), "02303063303030308503");
  console.SetRate(B9600);
  EXPECT_EQ(ReplyTo(console, dcCountQuery), "02303063303030308503");
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_EQ(sim.Err(),
            "dispenser-sim: program set 19200 bit/s, dispenser runs at 9600: bytes would be "
            "garbled\n");
}
