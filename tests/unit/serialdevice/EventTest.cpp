#include <gtest/gtest.h>

#include <time.h>

#include <atomic>
#include <thread>

#include "platform/serial/Event.h"

namespace comm {
namespace {

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

TEST(Event, ManualResetStaysSetUntilReset) {
  Event event = Event::Create(true, false);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  event.Set();
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  event.Reset();
  EXPECT_FALSE(event.IsSet());
  EXPECT_EQ(WaitForSingleObject(event, 1), WAIT_TIMEOUT);
}

TEST(Event, AutoResetReleasesOneWaitPerSet) {
  Event event = Event::Create(false, true);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Event, WaitForAnyReportsTheFirstSetEventInListOrder) {
  Event a = Event::Create(true, false);
  Event b = Event::Create(true, true);
  Event c = Event::Create(true, true);
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, INFINITE), WAIT_OBJECT_0 + 1);
  b.Reset();
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, INFINITE), WAIT_OBJECT_0 + 2);
  c.Reset();
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, 5), WAIT_TIMEOUT);
}

TEST(Event, WaitOnTheNullEventFails) {
  Event null;
  Event set = Event::Create(true, true);
  EXPECT_EQ(WaitForSingleObject(null, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects({&set, &null}, 0), WAIT_FAILED);
}

TEST(Event, ClosedReferenceLeavesOtherHoldersWorking) {
  Event event = Event::Create(true, false);
  Event other = event;
  event.Close();
  EXPECT_FALSE(event.Valid());
  other.Set();
  EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_OBJECT_0);
}

TEST(Event, SetFromAnotherThreadWakesTheWaiterWithWhatWasPublished) {
  Event event = Event::Create(false, false);
  Event stop = Event::Create(true, false);
  int published = 0;  // plain: the event must order it
  std::thread setter([&] { event.SetAfter([&] { published = 42; }); });
  EXPECT_EQ(WaitForMultipleObjects({&stop, &event}, 10000), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(published, 42);
  setter.join();
}

TEST(Event, AutoResetSetIsTakenByOneOfTwoWaiters) {
  Event event = Event::Create(false, false);
  std::atomic<int> released{0};
  auto waiter = [&] {
    if (WaitForSingleObject(event, 10000) == WAIT_OBJECT_0) ++released;
  };
  std::thread first(waiter);
  std::thread second(waiter);
  event.Set();
  while (released.load() == 0) Sleep(1);
  EXPECT_FALSE(event.IsSet());  // the released waiter took it
  EXPECT_EQ(released.load(), 1);
  event.Set();
  first.join();
  second.join();
  EXPECT_EQ(released.load(), 2);
}

// Each set wakes the sleeper (or leaves its descriptor readable); when the
// event is reset before it looks, it must go back to sleep for real, neither
// spinning on a descriptor that stays readable nor missing the next set. A
// sleeper that does look while the event is set returns with it, as a
// Windows waiter is released by every set: which of the two happens depends
// on the scheduler, and both must end with the event, never with `stop`.
TEST(Event, SetsUndoneBeforeTheSleeperLooksCostNoCpuAndTheNextSetReleasesIt) {
  Event event = Event::Create(true, false);
  Event stop = Event::Create(true, false);
  std::atomic<std::uint32_t> woken{0};
  std::thread waiter([&] { woken = WaitForMultipleObjects({&stop, &event}, INFINITE) + 1; });
  Sleep(20);  // most likely asleep by now; the test holds either way
  for (int i = 0; i < 1000; ++i) {
    event.Set();
    event.Reset();
  }
  const double cpuBefore = ProcessCpuSeconds();
  Sleep(300);
  EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.1);
  event.Set();
  for (int waited = 0; woken.load() == 0 && waited < 10000; ++waited) Sleep(1);
  stop.Set();  // releases a waiter that missed the set
  waiter.join();
  EXPECT_EQ(woken.load(), WAIT_OBJECT_0 + 1 + 1);
}

}  // namespace
}  // namespace comm
