#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/serial/Event.h"

namespace comm {
namespace {

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

}  // namespace
}  // namespace comm
