// A session log file that a test makes slow on purpose.
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "tests/integration/dispenser/SimProcess.h"

namespace simtest {

// A log file that is a named pipe the test reads: the program's log lines go
// through at once until the test stalls the pipe (fills it up); then the
// next line waits until the test reads again, a log sink made slow on purpose.
class TStallingLog {
 public:
  explicit TStallingLog(std::string path) : FPath(std::move(path)) {
    EXPECT_EQ(mkfifo(FPath.c_str(), 0600), 0);
    // Read and write: the program's open does not wait, and the test can fill it.
    FFd = open(FPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  }
  ~TStallingLog() {
    FStop = true;
    if (FDrain.joinable()) FDrain.join();
    close(FFd);
  }
  const std::string& Path() const { return FPath; }

  // Reads until the log holds `text`.
  bool WaitFor(const std::string& text) {
    for (int waited = 0; FText.find(text) == std::string::npos; waited += 2) {
      if (waited > kHangTimeoutMs) return false;
      ReadOn(2);
    }
    return true;
  }
  // Fills the pipe to its last byte (with NULs): the program's next log line
  // waits for Release.
  void Stall() {
    const std::string filler(4096, '\0');
    while (write(FFd, filler.data(), filler.size()) > 0) {
    }
    while (write(FFd, filler.data(), 1) > 0) {
    }
  }
  // Reads on, on a thread of its own, until Drained.
  void Release() {
    FDrain = std::thread([this] {
      while (!FStop) ReadOn(5);
    });
  }
  // What the program wrote (the filler left out), once it has ended.
  std::string Drained() {
    FStop = true;
    if (FDrain.joinable()) FDrain.join();
    while (ReadOn(0)) {
    }
    std::string text = FText;
    std::erase(text, '\0');
    return text;
  }

 private:
  // Whether it read anything.
  bool ReadOn(int waitMs) {
    pollfd fd{FFd, POLLIN, 0};
    if (poll(&fd, 1, waitMs) <= 0) return false;
    char buffer[8192];
    const ssize_t n = read(FFd, buffer, sizeof buffer);
    if (n > 0) FText.append(buffer, static_cast<std::size_t>(n));
    return n > 0;
  }

  std::string FPath;
  int FFd = -1;
  std::string FText;
  std::atomic<bool> FStop{false};
  std::thread FDrain;
};

}  // namespace simtest
