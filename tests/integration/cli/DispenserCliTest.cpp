// dispenser-cli as its users run it: the built program, its output streams
// and its exit status.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TCliRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs dispenser-cli with `args`; its stdout goes to `stdoutPath` if given,
// `env` ("NAME=value") is added to its environment.
TCliRun Cli(const std::vector<std::string>& args, const char* stdoutPath = nullptr,
            const std::vector<std::string>& env = {}) {
  char dir[] = "/tmp/dispenser-cli-test.XXXXXX";
  if (mkdtemp(dir) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  const std::string out = std::string(dir) + "/out";
  const std::string err = std::string(dir) + "/err";

  std::vector<char*> argv{const_cast<char*>(DISPENSER_CLI)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int o = open(stdoutPath != nullptr ? stdoutPath : out.c_str(), O_WRONLY | O_CREAT, 0600);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT, 0600);
    if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(126);
    for (const std::string& variable : env) putenv(const_cast<char*>(variable.c_str()));
    execv(DISPENSER_CLI, argv.data());
    _exit(127);
  }
  TCliRun run;
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) {
    ADD_FAILURE() << "could not run " << DISPENSER_CLI;
    return run;
  }
  run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.Out = ReadFile(out);
  run.Err = ReadFile(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  rmdir(dir);
  return run;
}

}  // namespace

TEST(DispenserCliFrames, ListsEveryCommandByNameWithItsFrame) {
  const TCliRun run = Cli({"frames"});
  EXPECT_EQ(run.Exit, 0);
  EXPECT_EQ(run.Out,
            "dispense\t02303042303030336703\n"
            "count-query\t02303043303030306503\n"
            "button-hold-off\t0230304B303030306D03\n"
            "count-clear\t02303049303030316C03\n"
            "error-clear\t02303049303030326D03\n"
            "count-error-clear\t02303049303030336E03\n"
            "button-hold-on\t0230304B313031306F03\n"
            "state-query\t02303053303030307503\n");
  EXPECT_EQ(run.Err, "");
}

TEST(DispenserCliFrames, FramePrintsOneFrameAloneOnItsLine) {
  const TCliRun run = Cli({"frame", "button-hold-on"});
  EXPECT_EQ(run.Exit, 0);
  EXPECT_EQ(run.Out, "0230304B313031306F03\n");
}

TEST(DispenserCliUsage, WrongCommandLinesExitTwoWithAMessageAndNothingOnStdout) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"bogus"},
      {"frames", "extra"},
      {"frame"},
      {"frame", "Dispense"},
      {"decode"},
      {"decode", "023"},
      {"decode", "02 3g"},
      {"decode", "  "},
      {"decode", "--xml", "02"},
      {"decode", "0 2"},
      {"decode", "02", "--json"},
  };
  for (const auto& args : wrong) {
    std::string line;
    for (const auto& arg : args) line += " '" + arg + "'";
    const TCliRun run = Cli(args);
    EXPECT_EQ(run.Exit, 2) << line;
    EXPECT_EQ(run.Out, "") << line;
    EXPECT_NE(run.Err.find("usage: dispenser-cli"), std::string::npos) << line << ": " << run.Err;
  }
  EXPECT_NE(Cli({"decode", "02 3"}).Err.find("odd number of hex digits"), std::string::npos);
  EXPECT_NE(Cli({"decode", "02 0x"}).Err.find("'x' at position 5"), std::string::npos);
}

// Every command the usage lists, with --help (or -h, as the program itself
// takes it) last after whatever else, even what would be a wrong command
// line, prints its own usage on stdout; so does "help COMMAND".
TEST(DispenserCliUsage, HelpAfterAnyCommandPrintsThatCommandsUsageAndExitsZero) {
  std::vector<std::string> commands;
  std::istringstream usage(Cli({"--help"}).Out);
  for (std::string line; std::getline(usage, line);) {
    if (line.size() > 2 && line.starts_with("  ") && std::islower(line[2])) {
      commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
  }
  EXPECT_EQ(commands.size(), 8u) << usage.str();
  const std::vector<std::string> lines[] = {{"--help"},
                                            {"-h"},
                                            {"--json", "--help"},
                                            {"--port", "/nowhere", "--bogus", "--help"},
                                            {"--bogus", "-h"},
                                            {}};  // "help COMMAND"
  for (const std::string& command : commands) {
    for (const auto& words : lines) {
      std::vector<std::string> args = {command};
      args.insert(args.end(), words.begin(), words.end());
      if (words.empty()) args = {"help", command};
      std::string line;
      for (const auto& arg : args) line += " " + arg;
      const TCliRun run = Cli(args);
      EXPECT_EQ(run.Exit, 0) << line << ": " << run.Err;
      EXPECT_TRUE(run.Out.starts_with("usage: dispenser-cli " + command + " ") ||
                  run.Out.starts_with("usage: dispenser-cli " + command + "\n"))
          << line << ": " << run.Out;
      EXPECT_NE(run.Out.find("\nexit status:\n"), std::string::npos) << line;
      EXPECT_EQ(run.Err, "") << line;
    }
  }
}

TEST(DispenserCliDecode, PrintsEachEffectAsTargetTabTextWithControlsVisible) {
  const TCliRun run = Cli({"decode", "02 30 30 63 30 31 32 33 8B 03"});
  EXPECT_EQ(run.Exit, 0);
  EXPECT_EQ(run.Out,
            "Edit3\t␂00c0123\uFFFD␃\n"
            "Memo1\t02303063303132338B03\n"
            "Edit2\t123\n"
            "Memo1\tRead data : ␂00c0123\uFFFD␃\n"
            "ProgressBar2\t\n");
  EXPECT_EQ(run.Err, "");
  // Blanks between bytes, or bytes spread over arguments, read the same.
  EXPECT_EQ(Cli({"decode", "0230306330313233", "8B", "03"}).Out, run.Out);
}

TEST(DispenserCliDecode, JsonKeepsLowBytesAsCodePointsAndDecodesKorean) {
  const TCliRun run = Cli({"decode", "--json", "0A 30 30 63 B4 EB 22 5C 80 7F"});
  EXPECT_EQ(run.Exit, 0);
  EXPECT_EQ(run.Out, R"({"target": "Edit3", "text": "\n00c대\"\\)"
                     "\uFFFD"
                     R"(\u007F"})"
                     "\n"
                     R"({"target": "Memo1", "text": "0A303063B4EB225C807F"})"
                     "\n"
                     R"({"target": "dialog", "text": "에러를 처리하세요"})"
                     "\n"
                     R"({"target": "Edit2", "text": ")"
                     "\uFFFD"
                     R"(\"\\"})"
                     "\n"
                     R"({"target": "Memo1", "text": "Read data : \n00c대\"\\)"
                     "\uFFFD"
                     R"(\u007F"})"
                     "\n"
                     R"({"target": "ProgressBar2", "text": ""})"
                     "\n");
}

// Where the C library's conversion modules are missing (iconv_open fails
// for every code page), Korean replies still decode, whole lines.
TEST(DispenserCliDecode, KoreanDecodesWithoutTheSystemsConversionModules) {
  const std::vector<std::string> args = {"decode", "02 30 30 63 B4 EB 31 32 00 03"};
  const TCliRun plain = Cli(args);
  ASSERT_NE(plain.Out.find("\t␂00c대12"), std::string::npos) << plain.Out;
  const TCliRun withoutIconv =
      Cli(args, nullptr, {"LD_PRELOAD=" NO_ICONV_LIBRARY, "ASAN_OPTIONS=verify_asan_link_order=0"});
  EXPECT_EQ(withoutIconv.Exit, plain.Exit) << withoutIconv.Err;
  EXPECT_EQ(withoutIconv.Out, plain.Out);
  EXPECT_EQ(withoutIconv.Err, plain.Err);
}

TEST(DispenserCliDecode, CountThatIsNoNumberPrintsTheEffectsSoFarThenExitsThree) {
  const TCliRun run = Cli({"decode", "02 30 30 45 32 30 41 42 00 03"});
  EXPECT_EQ(run.Exit, 3);
  EXPECT_EQ(run.Out,
            "Edit3\t␂00E20AB\n"
            "Memo1\t02303045323041420003\n"
            "Memo1\tjam 1 or jam 2.\n");
  EXPECT_EQ(run.Err, "dispenser-cli: the count 'AB' is not a valid integer value\n");

  const TCliRun json = Cli({"decode", "--json", "02 30 30 45 38 30 41"});
  EXPECT_EQ(json.Exit, 3);
  EXPECT_EQ(json.Out.substr(json.Out.rfind('{')),
            "{\"target\": \"Memo1\", \"text\": \"over count 4000 pcs.\"}\n");
  EXPECT_EQ(json.Err, "dispenser-cli: the count 'A' is not a valid integer value\n");
}

TEST(DispenserCliOutput, OutputThatCannotBeWrittenIsAFailure) {
  EXPECT_EQ(Cli({"frames"}, "/dev/full").Exit, 1);
}

TEST(DispenserCliPorts, ListsThePortsOfATreeOneNameALine) {
  char root[] = "/tmp/dispenser-cli-ports.XXXXXX";
  ASSERT_NE(mkdtemp(root), nullptr);
  const std::filesystem::path tree(root);
  for (const char* name : {"ttyUSB1", "ttyACM0"}) {
    std::filesystem::create_directories(tree / "sys/class/tty" / name / "device");
    std::filesystem::create_directories(tree / "dev" / name);
  }
  std::filesystem::create_directories(tree / "sys/class/tty/tty0");  // a console

  const TCliRun run = Cli({"ports", "--root", root});
  EXPECT_EQ(run.Exit, 0);
  EXPECT_EQ(run.Out, "ttyACM0\nttyUSB1\n");
  EXPECT_EQ(run.Err, "");

  const TCliRun missing = Cli({"ports", "--root", (tree / "missing").string()});
  EXPECT_EQ(missing.Exit, 1);
  EXPECT_EQ(missing.Out, "");
  EXPECT_EQ(missing.Err,
            "dispenser-cli: COM Port Error: Registry error on EnumComPorts (No such file or "
            "directory)\n");
  std::filesystem::remove_all(tree);

  EXPECT_EQ(Cli({"ports"}).Exit, 0);  // this machine's own ports
  EXPECT_EQ(Cli({"ports", "extra"}).Exit, 2);
}
