#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

#include "platform/serial/posix/HelperThread.h"

namespace comm::posix {
namespace {

// A pipe nobody writes to: read() blocks until a signal interrupts it.
struct QuietPipe {
  QuietPipe() { EXPECT_EQ(::pipe(fds), 0); }
  ~QuietPipe() {
    ::close(fds[0]);
    ::close(fds[1]);
  }
  int fds[2] = {-1, -1};
};

TEST(HelperThread, StopInterruptsACallThatOnlyASignalEnds) {
  QuietPipe pipe;
  std::atomic<bool> ended{false};
  HelperThread helper;
  helper.Start("test-helper", [&] {
    while (!helper.Stopping()) {
      char byte;
      [[maybe_unused]] const ssize_t n = ::read(pipe.fds[0], &byte, 1);  // EINTR when the signal comes
    }
    ended = true;
  });
  helper.Stop();  // hangs if the signal restarted the read or got lost
  EXPECT_TRUE(ended.load());
}

TEST(HelperThread, StopWakesABodyWaitingForWork) {
  HelperThread helper;
  bool sawStop = false;
  helper.Start("test-helper", [&] {
    std::unique_lock lock(helper.mu);
    helper.cv.wait(lock, [&] { return helper.Stopping(); });
    sawStop = true;
  });
  helper.Stop();
  EXPECT_TRUE(sawStop);
}

}  // namespace
}  // namespace comm::posix
