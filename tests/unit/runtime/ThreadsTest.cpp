#include "platform/runtime/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/runtime/FunctionThread.h"

namespace {

class MainThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { MainThread::Bind(); }
};

}  // namespace

using ThreadSync = MainThreadTest;

TEST_F(ThreadSync, DestroyingThreadsServesTheirPendingCallsExactlyOnceInOrder) {
  constexpr int kThreads = 6;
  constexpr int kCalls = 300;
  // Touched only on the main thread: TSan reports any call that runs elsewhere.
  std::vector<std::vector<int>> ran(kThreads);
  std::vector<std::unique_ptr<std::atomic<int>>> issued;
  std::vector<std::unique_ptr<FunctionThread>> threads;
  for (int t = 0; t < kThreads; ++t) {
    issued.push_back(std::make_unique<std::atomic<int>>(0));
    threads.push_back(std::make_unique<FunctionThread>([&, t](FunctionThread& self) {
      for (int i = 0; i < kCalls && !self.Terminated(); ++i) {
        issued[t]->fetch_add(1);
        self.Synchronize([&, t, i] {
          EXPECT_TRUE(MainThread::IsCurrent());
          ran[t].push_back(i);
        });
      }
    }));
  }
  for (auto& thread : threads) thread->Resume();
  // Half are asked to stop early, half run all their calls; all are freed at
  // once, without the main loop ever running.
  for (int t = 0; t < kThreads; t += 2) threads[t]->Terminate();
  for (auto& thread : threads) thread.reset();

  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(static_cast<int>(ran[t].size()), issued[t]->load()) << "thread " << t;
    for (int i = 0; i < static_cast<int>(ran[t].size()); ++i) {
      ASSERT_EQ(ran[t][i], i);
    }
    if (t % 2 == 1) {
      EXPECT_EQ(ran[t].size(), static_cast<size_t>(kCalls));
    }
  }
}

TEST_F(ThreadSync, ExceptionInsideSynchronizeReachesTheCallingThread) {
  std::string caught;
  bool afterwards = false;
  {
    FunctionThread worker([&](FunctionThread& self) {
      try {
        self.Synchronize([] { throw EConvertError("'x' is not a valid integer value"); });
      } catch (const EConvertError& e) {
        caught = e.Message();
      }
      self.Synchronize([&] { afterwards = true; });  // the hand-over still works
    });
    worker.Resume();
  }
  EXPECT_EQ(caught, "'x' is not a valid integer value");
  EXPECT_TRUE(afterwards);

  // On the main thread the call runs at once and its exception simply leaves.
  bool ranHere = false;
  SynchronizeCall([&] { ranHere = true; });
  EXPECT_TRUE(ranHere);
  EXPECT_THROW(SynchronizeCall([] { throw Exception("direct"); }), Exception);
}

TEST_F(ThreadSync, SynchronizeCallFromAPlainThreadIsServedByWaitUntil) {
  std::atomic<bool> done{false};
  int value = 0;
  std::thread plain([&] {
    SynchronizeCall([&] { value = 42; });
    done = true;
    MainThread::Wake();
  });
  MainThread::WaitUntil([&] { return done.load(); });
  plain.join();
  EXPECT_EQ(value, 42);
}

TEST_F(ThreadSync, WaitingForAThreadInsideItsOwnSynchronizeRaisesInsteadOfHanging) {
  std::string refused;
  FunctionThread worker([&](FunctionThread& self) {
    self.Synchronize([&] {
      EXPECT_TRUE(self.InSynchronize());
      try {
        self.WaitFor();
      } catch (const EThread& e) {
        refused = e.Message();
      }
    });
  });
  worker.Resume();
  worker.WaitFor();
  EXPECT_FALSE(worker.InSynchronize());
  EXPECT_EQ(refused,
            "Cannot wait for a thread from inside its own synchronized call or sent message");
}

TEST(ThreadLife, SuspendedThreadNeverRunsAndFreesWithoutWaiting) {
  std::atomic<bool> ran{false};
  {
    FunctionThread idle([&](FunctionThread&) { ran = true; });
    EXPECT_FALSE(idle.Finished());
  }
  EXPECT_FALSE(ran);

  struct Eager : TThread {
    Eager() : TThread(false) {}
    void Execute() override {}
  };
  EXPECT_THROW(Eager(), EThread);
}

TEST(ThreadLife, ExceptionLeavingExecuteIsKeptAsFatalException) {
  FunctionThread failing([](FunctionThread&) { throw Exception("body failed"); });
  failing.Resume();
  failing.WaitFor();
  EXPECT_TRUE(failing.Finished());
  ASSERT_TRUE(failing.FatalException());
  try {
    std::rethrow_exception(failing.FatalException());
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "body failed");
  }
}
