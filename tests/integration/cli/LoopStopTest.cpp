// The loop stop in the headless loop: its alarm, deadline and signals end or
// ring the loop from the loop's own sleep, on the main thread, with no thread
// of its own (the threads are counted in /proc/self/task).
#include "tools/cli/LoopStop.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Application.h"
#include "platform/runtime/SysUtils.h"
#include "platform/runtime/Threads.h"

namespace {

using namespace std::chrono_literals;
using TClock = TLoopStop::TClock;

std::ptrdiff_t Threads() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                       std::filesystem::directory_iterator());
}

struct TSeen {
  int Stops = 0;
  int Rings = 0;
  bool OffMain = false;        // a call came on another thread
  std::ptrdiff_t Threads = 0;  // the most counted in a call
};

// The headless loop, with the failures it shows kept.
class TShownBackend : public HeadlessBackend {
 public:
  explicit TShownBackend(std::vector<std::string>& shown) : FShown(shown) {}
  void ShowException(const std::string& message) override { FShown.push_back(message); }

 private:
  std::vector<std::string>& FShown;
};

// Runs the headless loop with `stop` started, `before` done just before;
// what the calls saw. `ring` is what the ring does besides counting.
TSeen RunLoop(TLoopStop& stop, std::optional<TClock::time_point> deadline,
              const std::function<void()>& before, const std::function<void()>& ring = {},
              std::vector<std::string>* shown = nullptr) {
  std::vector<std::string> unused;
  TApplication application(std::make_unique<TShownBackend>(shown ? *shown : unused));
  application.Initialize();
  TSeen seen;
  auto note = [&seen] {
    seen.OffMain = seen.OffMain || !MainThread::IsCurrent();
    seen.Threads = std::max(seen.Threads, Threads());
  };
  before();
  stop.Start(
      deadline,
      [&] {
        note();
        ++seen.Stops;
        application.Terminate();
      },
      [&] {
        note();
        ++seen.Rings;
        if (ring) ring();
      });
  application.Run();
  stop.Finish();
  return seen;
}

TEST(LoopStop, EndsAndRingsTheLoopFromItsOwnSleepOnTheMainThread) {
  struct TCase {
    const char* Name;
    std::function<void(TLoopStop&)> Before;
    int Rings;
    int Signal;
  };
  const TCase cases[] = {
      // Rung once and cleared; then only the deadline ends the loop's sleep.
      {"alarm, then deadline", [](TLoopStop& stop) { stop.SetAlarm(TClock::now()); }, 1, 0},
      {"SIGTERM", [](TLoopStop&) { ::kill(::getpid(), SIGTERM); }, 0, SIGTERM},
      {"SIGINT", [](TLoopStop&) { ::kill(::getpid(), SIGINT); }, 0, SIGINT},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TLoopStop stop;
    const std::ptrdiff_t threads = Threads();
    const TSeen seen = RunLoop(stop, TClock::now() + 300ms, [&] { c.Before(stop); });
    EXPECT_EQ(seen.Stops, 1);
    EXPECT_EQ(seen.Rings, c.Rings);
    EXPECT_EQ(stop.Signal(), c.Signal);
    EXPECT_FALSE(seen.OffMain);
    EXPECT_EQ(seen.Threads, threads);
  }
}

TEST(LoopStop, AnAlarmSetOnAnotherThreadWakesTheLoop) {
  TLoopStop stop;
  std::thread setter;
  const TSeen seen = RunLoop(
      stop, TClock::now() + 30s,
      [&] {
        setter = std::thread([&stop] {
          std::this_thread::sleep_for(50ms);  // most likely while the loop sleeps
          stop.SetAlarm(TClock::now());
        });
      },
      [] { Application->Terminate(); });
  setter.join();
  EXPECT_EQ(seen.Rings, 1);
  EXPECT_EQ(seen.Stops, 0);
  EXPECT_FALSE(seen.OffMain);
}

// As a queued call's: shown through the application, and the loop goes on.
TEST(LoopStop, ARingThatRaisesIsShownAndTheLoopGoesOnToItsDeadline) {
  TLoopStop stop;
  std::vector<std::string> shown;
  const TSeen seen = RunLoop(
      stop, TClock::now() + 100ms, [&] { stop.SetAlarm(TClock::now()); },
      [] { throw Exception("the timer failed"); }, &shown);
  EXPECT_EQ(seen.Rings, 1);
  EXPECT_EQ(seen.Stops, 1);
  EXPECT_EQ(shown, std::vector<std::string>{"the timer failed"});
}

}  // namespace
