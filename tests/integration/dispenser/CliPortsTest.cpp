// dispenser-cli run on several ports at once in one process.
#include <numeric>

#include "tests/integration/dispenser/CliRun.h"

using namespace simtest;

// Sixteen dispensers in one run: each its summary, adding up to the total.
TEST(CliRun, SixteenPortsInOneRunAddUpToTheirTotal) {
  TScratchDir dir;
  // Half of them from a ports file, half by --port; distinct names are
  // distinct dispensers (this one never mutes within the run).
  std::vector<std::string> args = {"run", "--ports", dir.File("ports")};
  std::ofstream ports(dir.File("ports"));
  ports << "# the bench\n";
  for (int i = 0; i < 16; ++i) {
    const std::string name = SimName("mute-after=" + std::to_string(100000 + i));
    if (i < 8) {
      ports << name << "\n";
    } else {
      args.insert(args.end(), {"--port", name});
    }
  }
  ports.close();
  args.insert(args.end(), {"--repeat", "1000", "--json", "state-query"});
  const TCliRun run = Cli(dir, args);
  EXPECT_EQ(run.Exit, 0) << run.Err;
  for (const char* key : {"sent", "replies", "timeouts", "notes"}) {
    std::vector<long> numbers = Numbers(run.Out, key);
    ASSERT_EQ(numbers.size(), 17u) << key << ": " << run.Out;
    const long total = numbers.back();
    numbers.pop_back();
    EXPECT_EQ(std::accumulate(numbers.begin(), numbers.end(), 0L), total) << key;
    if (std::string(key) == "sent") {
      EXPECT_EQ(total, 16000);
    }
  }
}

// A port that does not open, or whose device goes, ends its own run and
// fails the exit status; the others run to their end. One log per port.
TEST(CliRun, APortThatFailsEndsOnlyItsOwnRun) {
  TScratchDir dir;
  TSimProcess sim(SimArgs({}));
  ASSERT_TRUE(sim.Running());
  const std::string gone = sim.SlavePath();
  const pid_t cli = Spawn(
      DISPENSER_CLI,
      {"run", "--port", SimName(""), "--port", "/dev/no-such-dispenser", "--port", gone, "--repeat",
       "100", "--interval", "20", "--json", "--log", dir.File("run.tsv"), "state-query"},
      dir.File("out"), dir.File("err"));
  const std::string goneLog = dir.File(RunLogOf(gone));
  for (int waited = 0;
       ReadWholeFile(goneLog).find("\treply\t") == std::string::npos && waited < kHangTimeoutMs;
       waited += 2) {
    usleep(2000);
  }
  sim.Stop(SIGKILL);
  EXPECT_EQ(WaitExit(cli), 1);
  const std::string out = ReadWholeFile(dir.File("out")), err = ReadWholeFile(dir.File("err"));
  EXPECT_EQ(Numbers(out, "sent")[0], 100) << out;
  EXPECT_EQ(Numbers(out, "replies")[0], 100) << out;
  EXPECT_NE(out.find(R"("failure": null}, "/dev/no-such-dispenser": {"sent": 0, )"),
            std::string::npos)
      << out;
  EXPECT_LT(Numbers(out, "sent")[2], 100) << out;
  EXPECT_NE(err.find("dispenser-cli: /dev/no-such-dispenser: "), std::string::npos) << err;
  EXPECT_NE(err.find("dispenser-cli: " + gone + ": the device is gone"), std::string::npos) << err;
  for (const std::string& log :
       {dir.File(RunLogOf(SimName(""))), dir.File(RunLogOf("/dev/no-such-dispenser")), goneLog}) {
    EXPECT_NE(ReadWholeFile(log).find("\tnote\t\t\tsummary {"), std::string::npos) << log;
  }
  EXPECT_NE(ReadWholeFile(goneLog).find("\tlost\t" + gone + "\t\tthe device is gone"),
            std::string::npos);
}
