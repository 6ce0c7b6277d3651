// dispenser-sim as the tests run it: a child process whose stdout line gives
// the terminal to open, stopped with a signal; and the test's own end of
// that terminal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace simtest {

// A safety net against hangs only; nothing waits this long when all is well.
constexpr int kHangTimeoutMs = 10'000;

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A scratch directory, removed with what the test left in it.
class TScratchDir {
 public:
  TScratchDir() {
    char path[] = "/tmp/dispenser-test.XXXXXX";
    if (mkdtemp(path) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    FPath = path;
  }
  ~TScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  std::string File(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

// Runs `program` with `args`, stdout and stderr into files of `dir`.
inline pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
                   const std::string& out, const std::string& err) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(126);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// Waits for `pid` to end; its exit status, 128 + signal if killed, -1 if it
// did not end within the safety net (it is then killed).
inline int WaitExit(pid_t pid) {
  for (int waited = 0; waited < kHangTimeoutMs; waited += 5) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0) return -1;
    usleep(5000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

// dispenser-sim answering at once (--fast) unless the test asks for a
// receiver, and so for the line's time.
class TSimProcess {
 public:
  explicit TSimProcess(std::vector<std::string> args = {}) {
    if (std::find(args.begin(), args.end(), "--receiver") == args.end()) args.push_back("--fast");
    FPid = Spawn(DISPENSER_SIM, args, FDir.File("out"), FDir.File("err"));
    // The slave path is the first stdout line; wait for it (or for an exit).
    for (int waited = 0; waited < kHangTimeoutMs; waited += 2) {
      const std::string out = ReadWholeFile(FDir.File("out"));
      if (const auto newline = out.find('\n'); newline != std::string::npos) {
        FSlavePath = out.substr(0, newline);
        return;
      }
      int status = 0;
      if (waitpid(FPid, &status, WNOHANG) == FPid) {
        FExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return;
      }
      usleep(2000);
    }
    ADD_FAILURE() << "dispenser-sim printed no terminal path";
  }
  ~TSimProcess() {
    if (FExit == kRunning) Stop(SIGKILL);
  }

  const std::string& SlavePath() const { return FSlavePath; }
  pid_t Pid() const { return FPid; }
  bool Running() const { return FExit == kRunning; }

  // Sends `signal` and returns the exit status.
  int Stop(int signal = SIGTERM) {
    if (FExit == kRunning) {
      kill(FPid, signal);
      FExit = WaitExit(FPid);
    }
    return FExit;
  }
  int ExitStatus() const { return FExit; }
  std::string Err() const { return ReadWholeFile(FDir.File("err")); }
  std::string File(const std::string& name) const { return FDir.File(name); }

 private:
  static constexpr int kRunning = -2;
  TScratchDir FDir;
  pid_t FPid = -1;
  int FExit = kRunning;
  std::string FSlavePath;
};

// The test's own end of the simulator's terminal, raw, as a console opens it.
class TTerminal {
 public:
  explicit TTerminal(const std::string& path) {
    FFd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(FFd, 0) << "open " << path;
    termios settings{};
    tcgetattr(FFd, &settings);
    cfmakeraw(&settings);
    tcsetattr(FFd, TCSANOW, &settings);
  }
  ~TTerminal() {
    if (FFd >= 0) close(FFd);
  }

  // The rate the console sets, as the simulator reads it on its side.
  void SetRate(speed_t rate) {
    termios settings{};
    tcgetattr(FFd, &settings);
    cfsetspeed(&settings, rate);
    EXPECT_EQ(tcsetattr(FFd, TCSANOW, &settings), 0);
  }

  void Write(const std::vector<std::uint8_t>& bytes) {
    EXPECT_EQ(write(FFd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  template <std::size_t N>
  void Write(const std::array<std::uint8_t, N>& bytes) {
    Write(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }

  // Reads exactly `count` bytes (fewer only if the safety net runs out).
  std::vector<std::uint8_t> Read(std::size_t count) {
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count) {
      pollfd fd{FFd, POLLIN, 0};
      if (poll(&fd, 1, kHangTimeoutMs) <= 0) {
        ADD_FAILURE() << "no reply within the safety net";
        break;
      }
      std::uint8_t buffer[64];
      const ssize_t n = read(FFd, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (n <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
  }

 private:
  int FFd = -1;
};

}  // namespace simtest
