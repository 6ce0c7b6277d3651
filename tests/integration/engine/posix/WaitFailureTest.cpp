// A device wait that cannot sleep (the process is out of descriptors when the
// wait first needs one) ends the port's events with one error shown, in both
// places the wait can live; it never leaves the port deaf without a word.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "platform/runtime/LoopSleep.h"
#include "platform/serial/sim/SimPort.h"
#include "tests/integration/engine/EventFixture.h"

namespace {

// Every descriptor the process may still open is taken until the scope ends.
class NoDescriptorsLeft {
 public:
  NoDescriptorsLeft() {
    getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit low = saved_;
    low.rlim_cur = 64;
    setrlimit(RLIMIT_NOFILE, &low);
    for (int fd; (fd = ::dup(0)) >= 0;) taken_.push_back(fd);
  }
  ~NoDescriptorsLeft() {
    for (int fd : taken_) ::close(fd);
    setrlimit(RLIMIT_NOFILE, &saved_);
  }

 private:
  rlimit saved_{};
  std::vector<int> taken_;
};

using WaitFailureTest = EventTest;

TEST_F(WaitFailureTest, AWaitThatCannotSleepIsShownOnce) {
#if defined(__SANITIZE_ADDRESS__)
  // UBSan's type checks open a pipe of their own to look at memory; without
  // descriptors they report every object as of no type. The release and the
  // ThreadSanitizer runs cover this case.
  GTEST_SKIP() << "the sanitizer's runtime needs descriptors itself";
#endif
  comm::sim::SimPort sim{"SIM1"};
  LoopSleep::Drain();  // the main thread's own wake-up descriptor, made before they run out
  for (const bool inMainLoop : {false, true}) {
    SCOPED_TRACE(inMainLoop ? "the wait in the main loop" : "the wait on the event thread");
    shownSystemErrors.clear();
    TComPort port(nullptr);
    port.SetPort("SIM1");
    port.SetWaitInMainLoop(inMainLoop);
    {
      NoDescriptorsLeft exhausted;
      port.Open();  // the simulated device needs no descriptor; the first sleep does
      PumpUntil([&] { return !shownSystemErrors.empty(); }, std::chrono::seconds(5));
    }
    EXPECT_EQ(shownSystemErrors,
              (std::vector<std::pair<int, std::int32_t>>{{ecWaitFailed, EMFILE}}));
    port.Close();
  }
}

}  // namespace
