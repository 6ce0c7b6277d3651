// dispenser-cli send and monitor against dispenser-sim and against a far end
// the test plays itself, all on real pseudo-terminals.
#include <stdlib.h>

#include <array>
#include <atomic>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

#include "tests/integration/dispenser/SimProcess.h"
#include "tests/integration/dispenser/StallingLog.h"

using namespace simtest;

namespace {

struct TCliRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

TCliRun Cli(const std::vector<std::string>& args) {
  TScratchDir dir;
  TCliRun run;
  run.Exit = WaitExit(Spawn(DISPENSER_CLI, args, dir.File("out"), dir.File("err")));
  run.Out = ReadWholeFile(dir.File("out"));
  run.Err = ReadWholeFile(dir.File("err"));
  return run;
}

// send, returning as soon as one reply's bytes came (the wait is only a
// safety net).
TCliRun Send(const std::string& port, const std::string& command) {
  return Cli({"send", "--port", port, "--wait", "10000", "--replies", "1", command});
}

// What send printed after the raw-text line (which shows control symbols).
std::string AfterRawText(const std::string& out) {
  if (!out.starts_with("Edit3\t")) return "no Edit3 line first: " + out;
  return out.substr(out.find('\n') + 1);
}

// dispenser-cli running in the background (monitor), stopped or awaited.
class TCliProcess {
 public:
  explicit TCliProcess(const std::vector<std::string>& args)
      : FPid(Spawn(DISPENSER_CLI, args, FDir.File("out"), FDir.File("err"))) {}
  ~TCliProcess() {
    if (FExit == -2) {
      kill(FPid, SIGKILL);
      WaitExit(FPid);
    }
  }
  int Wait() {
    if (FExit == -2) FExit = WaitExit(FPid);
    return FExit;
  }
  int Stop(int signal) {
    kill(FPid, signal);
    return Wait();
  }
  std::string Out() const { return ReadWholeFile(FDir.File("out")); }
  std::string Err() const { return ReadWholeFile(FDir.File("err")); }

  // Waits until the port is open: monitor says so on stderr.
  bool Monitoring() const {
    for (int waited = 0; waited < kHangTimeoutMs; waited += 2) {
      if (Err().find(" until interrupted\n") != std::string::npos) return true;
      usleep(2000);
    }
    return false;
  }

  // Waits until the effect lines on stdout (all but the read headers) are `text`.
  bool EffectsAre(const std::string& text) const {
    for (int waited = 0; EffectLines() != text; waited += 2) {
      if (waited > kHangTimeoutMs) return false;
      usleep(2000);
    }
    return true;
  }
  std::string EffectLines() const {
    std::istringstream out(Out());
    std::string effects;
    for (std::string line; std::getline(out, line);) {
      if (!line.starts_with("-- ")) effects += line + "\n";
    }
    return effects;
  }

  // Waits until stdout holds `text`.
  bool Printed(const std::string& text) const {
    for (int waited = 0; waited < kHangTimeoutMs; waited += 2) {
      if (Out().find(text) != std::string::npos) return true;
      usleep(2000);
    }
    return false;
  }

 private:
  TScratchDir FDir;
  pid_t FPid;
  int FExit = -2;
};

// A pseudo-terminal whose master end the test holds: the test is the far end.
class TFarEnd {
 public:
  TFarEnd() {
    // Close-on-exec: the programs the test starts must not hold it too.
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    grantpt(FMaster);
    unlockpt(FMaster);
    FSlave = ptsname(FMaster);
  }
  ~TFarEnd() { Hang(); }
  const std::string& SlavePath() const { return FSlave; }
  int Master() const { return FMaster; }
  // Writes the bytes in pieces of `piece` bytes, `gap` apart.
  void WriteSlowly(const std::vector<std::uint8_t>& bytes, std::size_t piece, useconds_t gap) {
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
      if (at > 0) usleep(gap);
      Write({bytes.begin() + at, bytes.begin() + std::min(at + piece, bytes.size())});
    }
  }
  void Write(const std::vector<std::uint8_t>& bytes) {
    EXPECT_EQ(write(FMaster, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void Hang() {
    if (FMaster >= 0) close(FMaster);
    FMaster = -1;
  }

 private:
  int FMaster = -1;
  std::string FSlave;
};

std::vector<std::uint8_t> Hex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

}  // namespace

TEST(CliSend, DrivesTheSimulatorThroughAllEightCommands) {
  TSimProcess sim;
  ASSERT_TRUE(sim.Running());
  const std::string port = sim.SlavePath();
  // Each command, the reply's hex line and what the console decodes from it.
  const std::vector<std::pair<std::string, std::string>> session = {
      {"state-query", "Memo1\t0230307372303030D703\nMemo1\t대기상태입니다.\nProgressBar2\t\n"},
      {"button-hold-on", "Memo1\t0230306B313031308F03\nProgressBar2\t\n"},
      {"state-query",
       "Memo1\t0230307372303131D903\nMemo1\t버튼 홀드 상태입니다.\nProgressBar2\t\n"},
      {"button-hold-off", "Memo1\t0230306B303030308D03\nProgressBar2\t\n"},
      {"dispense", "Memo1\t02303062303031308503\nEdit1\t10\nProgressBar2\t\n"},
      {"dispense", "Memo1\t02303062303031308503\nEdit1\t10\nProgressBar2\t\n"},
      {"count-query", "Memo1\t02303063303032308703\nEdit2\t020\n"},
      {"count-clear", "Memo1\t02303069303030318C03\nProgressBar2\t\n"},
      {"count-query", "Memo1\t02303063303030308503\nEdit2\t000\n"},
      {"error-clear", "Memo1\t02303069303030328D03\nProgressBar2\t\n"},
      {"count-error-clear", "Memo1\t02303069303030338E03\nProgressBar2\t\n"},
  };
  for (const auto& [command, decoded] : session) {
    const TCliRun run = Send(port, command);
    EXPECT_EQ(run.Exit, 0) << command << ": " << run.Err;
    const std::string after = AfterRawText(run.Out);
    if (command == "count-query") {
      // The "Read data" line repeats the raw text; the rest is exact.
      EXPECT_TRUE(after.starts_with(decoded + "Memo1\tRead data : ")) << command << ":\n" << after;
      EXPECT_TRUE(after.ends_with("\nProgressBar2\t\n")) << command << ":\n" << after;
    } else {
      EXPECT_EQ(after, decoded) << command;
    }
    EXPECT_EQ(run.Err, "") << command;
  }
  EXPECT_EQ(sim.Err(), "");
}

TEST(CliSend, EveryFaultKindShowsItsLineAndTheNotesThatLeftThenTheErrorState) {
  const std::vector<std::pair<std::string, std::string>> kinds = {
      {"no-notes", "no bills (HOST 의 요구에 의한 배출 중 에러.)"},
      {"jam", "jam 1 or jam 2."},
      {"chain", "chain."},
      {"half", "half."},
      {"short", "short."},
      {"no-notes-key", "no bills (start key의 요구에 의한 배출중 에러)."},
      {"double", "double."},
      {"over-count", "over count 4000 pcs."},
      {"receive-error", "E11 통신테스트 시 수신에러."},
  };
  for (const auto& [kind, line] : kinds) {
    TSimProcess sim({"--fault", kind + "@2:7"});
    ASSERT_TRUE(sim.Running()) << kind << ": " << sim.Err();
    EXPECT_EQ(AfterRawText(Send(sim.SlavePath(), "dispense").Out),
              "Memo1\t02303062303031308503\nEdit1\t10\nProgressBar2\t\n")
        << kind;
    const TCliRun fault = Send(sim.SlavePath(), "dispense");
    EXPECT_EQ(fault.Exit, 0) << kind << ": " << fault.Err;
    const std::string dialog = kind == "receive-error" ? "" : "dialog\t7장 방출되었습니다.\n";
    const std::string lines = AfterRawText(fault.Out);
    EXPECT_NE(lines.find("\nMemo1\t" + line + "\n" + dialog + "ProgressBar2\t\n"),
              std::string::npos)
        << kind << ":\n"
        << lines;
    EXPECT_NE(
        AfterRawText(Send(sim.SlavePath(), "state-query").Out).find("Memo1\t에러상태입니다.\n"),
        std::string::npos)
        << kind;
  }
}

TEST(CliSend, ASplitReplyIsDecodedWholeAsDecodeShowsIt) {
  TSimProcess sim({"--split"});
  const TCliRun run = Cli({"send", "--port", sim.SlavePath(), "--wait", "10000", "--replies", "1",
                           "--json", "count-query"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, Cli({"decode", "--json", "02303063303030308503"}).Out);
}

TEST(CliSend, TheSimPortIsADispenserInsideTheProgramWithTheSimulatorsFaults) {
  const std::vector<std::array<std::string, 3>> sessions = {
      {"SIM", "state-query",
       "Memo1\t0230307372303030D703\nMemo1\t대기상태입니다.\nProgressBar2\t\n"},
      {"sim:jam@1:2", "dispense",
       "Memo1\t02303045323030336C03\nMemo1\tjam 1 or jam 2.\ndialog\t2장 방출되었습니다.\n"
       "ProgressBar2\t\n"},
  };
  for (const auto& [port, command, decoded] : sessions) {
    const TCliRun run = Send(port, command);
    EXPECT_EQ(run.Exit, 0) << port << ": " << run.Err;
    EXPECT_EQ(AfterRawText(run.Out), decoded) << port;
  }
}

TEST(CliSend, APortThatCannotBeOpenedIsReportedWithItsCauseAndExitOne) {
  const TCliRun run = Send("/dev/dispenser-test-no-such-port", "state-query");
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err,
            "dispenser-cli: COM Port Error: Unable to open com port on "
            "/dev/dispenser-test-no-such-port\n"
            "dispenser-cli: /dev/dispenser-test-no-such-port does not exist: the device is not "
            "connected, or the port name is wrong\n");

  // A port another program holds: that program is named.
  TSimProcess sim;
  TCliProcess monitor({"monitor", "--port", sim.SlavePath()});
  ASSERT_TRUE(monitor.Monitoring());
  const std::string busy = Send(sim.SlavePath(), "state-query").Err;
  EXPECT_NE(busy.find(" is in use by another program: dispenser-cli (process "), std::string::npos)
      << busy;
}

TEST(CliSend, WrongCommandLinesExitTwoBeforeTouchingAPort) {
  const std::vector<std::vector<std::string>> wrong = {
      {"send", "state-query"},
      {"send", "--port", "/dev/null"},
      {"send", "--port", "/dev/null", "launch"},
      {"send", "--port", "/dev/null", "--wait", "soon", "state-query"},
      {"send", "--port", "/dev/null", "--replies", "0", "state-query"},
      {"send", "--port", "/dev/null", "state-query", "dispense"},
      {"send", "--port", "SIM:jam@0", "state-query"},
      {"monitor"},
      {"monitor", "--port"},
      {"monitor", "--port", "/dev/null", "--wait", "10"},
      {"run", "--port", "/dev/null"},
      {"run", "--port", "/dev/null", "--repeat", "0", "dispense"},
      {"run", "--port", "/dev/null", "--timeout", "0", "dispense"},
      {"run", "--port", "/dev/null", "--script", "/nonexistent/script"},
      {"run", "--port", "/dev/null", "--json=yes", "dispense"},
  };
  for (const auto& args : wrong) {
    const TCliRun run = Cli(args);
    EXPECT_EQ(run.Exit, 2) << args.back();
    EXPECT_NE(run.Err.find("usage: dispenser-cli"), std::string::npos) << args.back();
  }
}

TEST(CliMonitor, ACountThatIsNoNumberIsReportedAndMonitoringGoesOnUntilTheDeviceGoes) {
  TFarEnd far;
  TCliProcess monitor({"monitor", "--port", far.SlavePath()});
  ASSERT_TRUE(monitor.Monitoring());
  far.Write(Hex("02303045323041420003"));
  ASSERT_TRUE(monitor.Printed("Memo1\tjam 1 or jam 2.\n"));
  far.Write(Hex("0230307372303030D703"));
  ASSERT_TRUE(monitor.Printed("Memo1\t대기상태입니다.\n"));
  far.Hang();
  EXPECT_EQ(monitor.Wait(), 1);

  const std::string out = monitor.Out();
  EXPECT_TRUE(out.starts_with("-- ")) << out;
  EXPECT_NE(out.find(", 10 bytes: 02303045323041420003\nEdit3\t"), std::string::npos) << out;
  EXPECT_EQ(out.find("dialog"), std::string::npos) << "no dispense dialog for a bad count";
  EXPECT_EQ(monitor.Err(),
            "dispenser-cli: monitoring " + far.SlavePath() +
                " until interrupted\n"
                "dispenser-cli: the count 'AB' is not a valid integer value\n"
                "dispenser-cli: " +
                far.SlavePath() +
                ": the device is gone (COM Port Error: WaitForEvent method failed on " +
                far.SlavePath() + ")\n");
}

TEST(CliMonitor, EndsWithExitOneWhenTheSimulatorIsKilled) {
  TSimProcess sim;
  TCliProcess monitor({"monitor", "--port", sim.SlavePath()});
  ASSERT_TRUE(monitor.Monitoring());
  sim.Stop(SIGKILL);
  EXPECT_EQ(monitor.Wait(), 1);
  EXPECT_NE(monitor.Err().find(": the device is gone ("), std::string::npos) << monitor.Err();
}

// Pulled out while replies stream in: the one loss is one error line,
// whichever thread meets it first.
TEST(CliMonitor, ADeviceGoneMidTrafficIsOneErrorLine) {
  for (int unplug = 0; unplug < 40; ++unplug) {
    TFarEnd far;
    TCliProcess monitor({"monitor", "--port", far.SlavePath()});
    ASSERT_TRUE(monitor.Monitoring());
    for (int reply = 0; reply < 50; ++reply) far.Write(Hex("0230307372303030D703"));
    far.Hang();
    EXPECT_EQ(monitor.Wait(), 1);
    const std::string err = monitor.Err();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    EXPECT_NE(err.find(": the device is gone ("), std::string::npos) << err;
  }
}

TEST(CliMonitor, InterruptedItClosesThePortAndExitsZero) {
  TSimProcess sim;
  for (const int signal : {SIGINT, SIGTERM}) {
    TCliProcess monitor({"monitor", "--json", "--port", sim.SlavePath()});
    ASSERT_TRUE(monitor.Monitoring());
    EXPECT_EQ(monitor.Stop(signal), 0) << signal;
    EXPECT_EQ(monitor.Err(),
              "dispenser-cli: monitoring " + sim.SlavePath() + " until interrupted\n")
        << signal;
    // The port was let go: it opens again at once.
    EXPECT_EQ(Send(sim.SlavePath(), "state-query").Exit, 0) << signal;
  }
}

// The line cuts and glues replies; monitor shows each reply frame's effects
// once, as decode shows them for the whole frame, and junk and a frame cut
// off by themselves.
TEST(CliMonitor, RepliesAreDecodedFrameByFrameHoweverTheLineDeliversThem) {
  const std::string standby = "0230307372303030D703";
  const std::string count = "02303063303031308603";
  const std::string dispensed = "02303062303031308503";
  const std::string held = "0230307372303131D903";
  auto decoded = [](const std::string& hex) { return Cli({"decode", hex}).Out; };

  TFarEnd far;
  TCliProcess monitor({"monitor", "--port", far.SlavePath()});
  ASSERT_TRUE(monitor.Monitoring());
  std::string expected;
  const struct {
    const char* Name;
    std::function<void()> Write;
    std::string Effects;
  } steps[] = {
      {"split in two, 5 ms apart", [&] { far.WriteSlowly(Hex(standby), 5, 5000); },
       decoded(standby)},
      {"ten single bytes", [&] { far.WriteSlowly(Hex(count), 1, 1000); }, decoded(count)},
      {"four in one write", [&] { far.Write(Hex(standby + count + dispensed + held)); },
       decoded(standby) + decoded(count) + decoded(dispensed) + decoded(held)},
      {"reply, junk, reply", [&] { far.Write(Hex(standby + "414243" + count)); },
       decoded(standby) + decoded("414243") + decoded(count)},
      {"wrong checksum", [&] { far.Write(Hex("0230307372303030D803")); },
       decoded("0230307372303030D803") + "Memo1\t체크섬 오류: 받음 D8, 계산 D7\n"},
      {"cut off, shown after the wait", [&] { far.Write(Hex("0230306330")); },
       decoded("0230306330")},
      {"and only once", [&] { far.Write(Hex(standby)); }, decoded(standby)},
  };
  for (const auto& step : steps) {
    step.Write();
    expected += step.Effects;
    ASSERT_TRUE(monitor.EffectsAre(expected)) << step.Name << ":\n" << monitor.EffectLines();
  }
  EXPECT_EQ(monitor.Stop(SIGTERM), 0);
}

// The JSON summary of a run (its last line) without its reply times, which
// are checked for their form.
std::string CountsOf(const std::string& out) {
  if (out.empty()) return "no summary";
  std::string line = out.substr(out.rfind('\n', out.size() - 2) + 1);
  line.pop_back();
  const std::size_t from = line.find(R"("reply_ms": )");
  const std::size_t to = line.find('}', from) + 3;
  if (from == std::string::npos || to > line.size()) return "no reply_ms in " + line;
  const std::string times = line.substr(from, to - from);
  const bool none =
      times == R"("reply_ms": {"min": null, "median": null, "p99": null, "max": null}, )";
  const bool some =
      std::regex_match(times, std::regex(R"re("reply_ms": \{"min": \d+\.\d\d, "median": \d+\.\d\d, )re"
                                         R"re("p99": \d+\.\d\d, "max": \d+\.\d\d\}, )re"));
  EXPECT_TRUE(none || some) << times;
  return line.erase(from, to - from);
}

TEST(CliRun, TheSummaryAndExitStatusFollowTheRepliesWithAndWithoutFaults) {
  const struct {
    const char* Name;
    std::vector<std::string> Sim;
    std::vector<std::string> Run;
    std::string Counts;
    int Exit;
  } cases[] = {
      {"clean",
       {},
       {"--repeat", "3", "dispense", "count-query"},
       R"({"sent": 6, "replies": 6, "timeouts": 0, "error_replies": {}, "notes": 30, )"
       R"("unmatched": 0, "incomplete": 0, "checksum_errors": 0, "interrupted": false})",
       0},
      // In the line's time, each reply handed on as a 16550 would: 8 + 2 bytes.
      {"uart",
       {"--receiver", "uart"},
       {"--repeat", "2", "dispense", "count-query"},
       R"({"sent": 4, "replies": 4, "timeouts": 0, "error_replies": {}, "notes": 20, )"
       R"("unmatched": 0, "incomplete": 0, "checksum_errors": 0, "interrupted": false})",
       0},
      {"jam",
       {"--fault", "jam@2:3"},
       {"--repeat", "3", "dispense"},
       R"({"sent": 3, "replies": 3, "timeouts": 0, "error_replies": {"E2": 2}, "notes": 13, )"
       R"("unmatched": 0, "incomplete": 0, "checksum_errors": 0, "interrupted": false})",
       1},
      {"stop on error",
       {"--fault", "chain@1"},
       {"--stop-on-error", "--repeat", "5", "dispense"},
       R"({"sent": 1, "replies": 1, "timeouts": 0, "error_replies": {"E3": 1}, "notes": 4, )"
       R"("unmatched": 0, "incomplete": 0, "checksum_errors": 0, "interrupted": false})",
       1},
      {"no reply",
       {"--mute-after", "1"},
       {"--timeout", "200", "state-query", "count-query"},
       R"({"sent": 2, "replies": 1, "timeouts": 1, "error_replies": {}, "notes": 0, )"
       R"("unmatched": 0, "incomplete": 0, "checksum_errors": 0, "interrupted": false})",
       1},
      // Each reply comes 800 ms after its command, when the next command
      // waits: a reply with another letter, which that command does not take.
      {"late reply",
       {"--delay", "800"},
       {"--timeout", "600", "state-query", "count-query"},
       R"({"sent": 2, "replies": 0, "timeouts": 2, "error_replies": {}, "notes": 0, )"
       R"("unmatched": 1, "incomplete": 0, "checksum_errors": 0, "interrupted": false})",
       1},
  };
  for (const auto& c : cases) {
    TSimProcess sim(c.Sim);
    std::vector<std::string> args = {"run", "--port", sim.SlavePath(), "--json"};
    args.insert(args.end(), c.Run.begin(), c.Run.end());
    const TCliRun run = Cli(args);
    EXPECT_EQ(run.Exit, c.Exit) << c.Name << ": " << run.Err;
    EXPECT_EQ(CountsOf(run.Out), c.Counts) << c.Name;
  }
}

TEST(CliRun, AScriptRunsWithItsWaitsAndTheLogKeepsTheSessionUntilCtrlC) {
  TSimProcess sim({"--mute-after", "2"});
  TScratchDir dir;
  std::ofstream(dir.File("script"))
      << "# a short burn-in\n\ndispense\nwait 50\n  count-query\nstate-query\n";
  TCliProcess run({"run", "--port", sim.SlavePath(), "--timeout", "60000", "--log",
                   dir.File("log.tsv"), "--script", dir.File("script")});
  // The third command is never answered: interrupted while it waits.
  auto sent = [&] {
    return ReadWholeFile(dir.File("log.tsv")).find("sent\tstate-query") != std::string::npos;
  };
  for (int waited = 0; !sent() && waited < kHangTimeoutMs; waited += 2) usleep(2000);
  EXPECT_EQ(run.Stop(SIGINT), 1);
  EXPECT_EQ(run.Out(),
            "sent 3, replies 2, time-outs 0, interrupted\n"
            "error replies: none\n"
            "notes dispensed: 10\n" +
                run.Out().substr(run.Out().find("reply time: min ")));

  std::vector<std::string> events;
  std::istringstream log(ReadWholeFile(dir.File("log.tsv")));
  for (std::string line; std::getline(log, line);) {
    if (line.starts_with("20")) events.push_back(line.substr(24, line.find('\t', 24) - 24));
  }
  EXPECT_EQ(events,
            (std::vector<std::string>{"opened", "sent", "received", "shown", "shown", "shown",
                                      "reply", "sent", "received", "shown", "shown", "shown",
                                      "shown", "reply", "sent", "closed", "note"}));
}

namespace {

// How the test's far end answers each command frame the program writes.
enum class TAnswer { Whole, CutOff, Never, Late };

// A far end that answers each command frame (ten bytes) on a thread of its
// own as told, with the reply of a dispenser in standby.
class TAnsweringFarEnd {
 public:
  explicit TAnsweringFarEnd(TAnswer answer) : FAnswer(answer), FThread([this] { Serve(); }) {}
  ~TAnsweringFarEnd() {
    FStop = true;
    FThread.join();
  }
  const std::string& SlavePath() const { return FLine.SlavePath(); }

 private:
  void Serve() {
    for (std::size_t received = 0; !FStop;) {
      pollfd fd{FLine.Master(), POLLIN, 0};
      std::uint8_t buffer[64];
      ssize_t n = 0;
      // A hang-up while the program has the terminal closed: look again later.
      if (poll(&fd, 1, 20) > 0 && (n = read(FLine.Master(), buffer, sizeof buffer)) <= 0) {
        usleep(20'000);
      }
      for (received += std::max<ssize_t>(n, 0); received >= 10; received -= 10) Answer();
    }
  }
  void Answer() {
    if (FAnswer == TAnswer::Never) return;
    if (FAnswer == TAnswer::Late) usleep(1'000'000);
    const std::vector<std::uint8_t> reply = Hex("0230307372303030D703");
    const std::size_t size = FAnswer == TAnswer::CutOff ? 5 : reply.size();
    if (write(FLine.Master(), reply.data(), size) < 0) {
      // A late reply may find the program gone.
    }
  }

  TFarEnd FLine;
  TAnswer FAnswer;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

}  // namespace

// The exit status and the summary for each way the far end answers, and for
// a stop signal wherever a run waits (sent once the run's log has a reply).
TEST(CliVerdict, OnlyWholeRepliesToEveryCommandPass) {
  using enum TAnswer;
  const std::string one = R"("sent": 1, "replies": 1, "timeouts": 0, )";
  const std::string cut = R"("replies": 0, "timeouts": 1, )";
  const std::string incomplete = R"("unmatched": 0, "incomplete": 1, )";
  const std::string stopped = R"("interrupted": true})";
  const std::string stoppedText = "sent 1, replies 1, time-outs 0, interrupted";
  const std::string missing = ": no reply within 300 ms\n";
  const std::string run = "run --port @port --json ";
  const std::string send = "send --port @port --wait 300 ";
  const std::string interval = " --log @log --repeat 50 --interval 60000 state-query";
  const std::string script = "--log @log --script @script";  // a wait line after one command
  const struct {
    TAnswer Far;
    int Signal;
    int Exit;
    std::string Args;  // @port, @log, @script: the far end's terminal, a log, the script
    std::vector<std::string> Shows;  // each on stdout or stderr; stderr has nothing else
  } cases[] = {
      {Whole, 0, 0, run + "state-query", {one, R"("incomplete": 0, "checksum_errors": 0, )"}},
      {CutOff, 0, 1, run + "state-query", {cut, incomplete}},
      {CutOff, 0, 1, run + "--timeout 30 --interval 2000 state-query", {cut, incomplete}},
      {Whole, SIGINT, 1, run + interval, {one, stopped}},
      {Whole, SIGTERM, 1, "run --port @port" + interval, {stoppedText}},
      {Whole, SIGINT, 1, run + script, {one, stopped}},
      {Whole, SIGTERM, 1, run + script, {one, stopped}},
      {Never, 0, 1, send + "state-query", {missing}},
      {Late, 0, 1, send + "state-query", {missing}},
      {CutOff, 0, 1, send + "--replies 1 state-query", {missing}},
      {Whole, 0, 1, send + "--replies 2 state-query", {": 1 of 2 replies within 300 ms\n"}},
      {Never, 0, 0, "run --help", {"usage: dispenser-cli run --port NAME", "\nexit status:\n"}},
      {Never, 0, 0, "send --help", {"usage: dispenser-cli send --port NAME", "\nexit status:\n"}},
      {Never, 0, 0, "frame --help", {"usage: dispenser-cli frame NAME\n"}},
  };
  for (const auto& c : cases) {
    TAnsweringFarEnd far(c.Far);
    TScratchDir dir;
    std::ofstream(dir.File("script")) << "state-query\nwait 60000\nstate-query\n";
    std::vector<std::string> args;
    std::istringstream words(c.Args);
    for (std::string arg; words >> arg;) {
      args.push_back(arg == "@port"     ? far.SlavePath()
                     : arg == "@log"    ? dir.File("log.tsv")
                     : arg == "@script" ? dir.File("script")
                                        : arg);
    }
    TCliProcess cli(args);
    if (c.Signal != 0) {
      auto replied = [&] {
        return ReadWholeFile(dir.File("log.tsv")).find("\treply\t") != std::string::npos;
      };
      for (int waited = 0; !replied() && waited < kHangTimeoutMs; waited += 2) usleep(2000);
      cli.Stop(c.Signal);
    }
    const std::string name = c.Args + " (far end " + std::to_string(int(c.Far)) + ", signal " +
                             std::to_string(c.Signal) + ")";
    EXPECT_EQ(cli.Wait(), c.Exit) << name << ": " << cli.Err();
    const std::string out = cli.Out(), err = cli.Err();
    bool errShown = err.empty();
    for (const std::string& text : c.Shows) {
      const bool onErr = err.find(text) != std::string::npos;
      errShown = errShown || onErr;
      EXPECT_TRUE(onErr || out.find(text) != std::string::npos) << name << ": " << text << "\n"
                                                                << out << err;
    }
    EXPECT_TRUE(errShown) << name << ": " << err;
  }
}

// A reply's time runs from the end of its command's write to the read that
// brought its last byte: a far end that answers 20 ms after the write is a
// 20 ms reply however long the program then takes over it (here its log
// stalls while the reply is handled).
TEST(CliRun, AReplyIsTimedWhenItsLastByteWasReadNotWhenItWasHandled) {
  constexpr auto kAnswerAfter = std::chrono::milliseconds(20);
  constexpr auto kStall = std::chrono::milliseconds(400);
  TFarEnd line;
  TScratchDir dir;
  TStallingLog log(dir.File("log.tsv"));
  TCliProcess run({"run", "--port", line.SlavePath(), "--json", "--timeout", "10000", "--log",
                   log.Path(), "state-query"});
  // The sent line follows the write's end: the answer is at least 20 ms after it.
  ASSERT_TRUE(log.WaitFor("\tsent\tstate-query\t"));
  const auto sent = std::chrono::steady_clock::now();
  log.Stall();
  std::this_thread::sleep_until(sent + kAnswerAfter);
  line.Write(Hex("0230307372303030D703"));
  std::this_thread::sleep_for(kStall);
  log.Release();
  EXPECT_EQ(run.Wait(), 0) << run.Err();

  std::smatch match;
  const std::string out = run.Out();
  ASSERT_TRUE(std::regex_search(out, match, std::regex(R"re("min": (\d+\.\d+), )re"))) << out;
  const double replyMs = std::stod(match[1]);
  EXPECT_GE(replyMs, 20.0) << out;
  EXPECT_LT(replyMs, 20.0 + kStall.count() / 2) << out;
  // To the hundredth of a millisecond, the same in the log.
  EXPECT_TRUE(std::regex_match(match[1].str(), std::regex(R"(\d+\.\d\d)"))) << out;
  const std::string logged = log.Drained();
  EXPECT_NE(logged.find("\treply\tstate-query\t\t" + match[1].str() + " ms"), std::string::npos)
      << logged;
}
