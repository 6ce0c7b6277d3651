#include "platform/runtime/Messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Application.h"
#include "platform/runtime/Threads.h"
#include "tests/unit/runtime/FunctionThread.h"

namespace {

constexpr std::uint32_t WM_TEST = WM_USER + 1;

class HiddenWindow : public ::testing::Test {
 protected:
  void SetUp() override { MainThread::Bind(); }
  void TearDown() override { MainThread::SetWakeHook(nullptr); }

  // Runs body on a worker and serves the main thread's queue until it ends.
  static void OnWorker(const std::function<void()>& body) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      body();
      done = true;
      MainThread::Wake();
    });
    MainThread::WaitUntil([&] { return done.load(); });
    worker.join();
  }
};

}  // namespace

TEST_F(HiddenWindow, SendFromAnotherThreadWaitsForTheProcedureAndGetsItsResult) {
  std::vector<std::string> journal;  // main thread only
  TWindowHandle window = AllocateHWnd([&](TMessage& m) {
    EXPECT_TRUE(MainThread::IsCurrent());
    EXPECT_TRUE(InSendMessage());
    journal.push_back("handle " + IntToStr(static_cast<std::int64_t>(m.WParam)));
    m.Result = static_cast<std::intptr_t>(m.WParam) * 10 + m.LParam;
  });
  std::vector<std::intptr_t> results;  // worker only until it has ended
  OnWorker([&] {
    for (std::uintptr_t i = 1; i <= 3; ++i) results.push_back(SendMessageA(window, WM_TEST, i, 4));
  });
  EXPECT_EQ(journal, (std::vector<std::string>{"handle 1", "handle 2", "handle 3"}));
  EXPECT_EQ(results, (std::vector<std::intptr_t>{14, 24, 34}));

  // From the main thread the procedure is called directly, not as an inter-thread send.
  TWindowHandle direct = AllocateHWnd([](TMessage& m) {
    EXPECT_FALSE(InSendMessage());
    EXPECT_FALSE(ReplyMessage(5));
    m.Result = DefWindowProcA(nullptr, m.Msg, m.WParam, m.LParam) + 9;
  });
  EXPECT_EQ(SendMessageA(direct, WM_TEST, 0, 0), 9);
  DeallocateHWnd(direct);
  DeallocateHWnd(window);
}

TEST_F(HiddenWindow, ReplyMessageReleasesTheSenderBeforeTheProcedureEnds) {
  std::promise<std::intptr_t> senderGot;
  std::future<std::intptr_t> got = senderGot.get_future();
  std::vector<std::string> journal;
  TWindowHandle window = AllocateHWnd([&](TMessage& m) {
    ASSERT_TRUE(InSendMessage());
    EXPECT_TRUE(ReplyMessage(7));
    EXPECT_FALSE(ReplyMessage(8));  // only the first reply counts
    EXPECT_TRUE(InSendMessage());   // still handling a sent message
    // The sender is free already: it reports back while we are still here.
    journal.push_back("sender returned " + IntToStr(got.get()));
    journal.push_back("procedure ends");
    m.Result = 99;  // too late to matter
  });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    senderGot.set_value(SendMessageA(window, WM_TEST, 0, 0));
    done = true;
    MainThread::Wake();
  });
  MainThread::WaitUntil([&] { return done.load(); });
  worker.join();
  EXPECT_EQ(journal, (std::vector<std::string>{"sender returned 7", "procedure ends"}));
  DeallocateHWnd(window);
}

TEST_F(HiddenWindow, EarlyReleasedSenderMayBeHandledInsideAPumpingProcedureStillInOrder) {
  std::vector<int> journal;
  TWindowHandle window = AllocateHWnd([&](TMessage& m) {
    ReplyMessage(0);
    journal.push_back(static_cast<int>(m.WParam));
    if (m.WParam == 1) {
      // Like a handler that processes messages: the worker's next sends may
      // be handled here, but never before this one was recorded.
      MainThread::WaitUntil([&] { return journal.size() >= 5; });
    }
    journal.push_back(-static_cast<int>(m.WParam));
  });
  OnWorker([&] {
    for (std::uintptr_t i = 1; i <= 3; ++i) SendMessageA(window, WM_TEST, i, 0);
  });
  ASSERT_GE(journal.size(), 6u);
  EXPECT_EQ(journal.front(), 1);
  EXPECT_EQ(journal.back(), -1);  // the pumping procedure ends last
  std::vector<int> starts;
  for (int v : journal) {
    if (v > 0) starts.push_back(v);
  }
  EXPECT_EQ(starts, (std::vector<int>{1, 2, 3}));
  DeallocateHWnd(window);
}

TEST_F(HiddenWindow, MessageForADeallocatedWindowReleasesItsSenderWithZero) {
  int handled = 0;
  TWindowHandle window = AllocateHWnd([&](TMessage& m) {
    ++handled;
    m.Result = 1;
  });
  // Learn when the message is queued, without running the queue.
  std::mutex lock;
  std::condition_variable posted;
  int posts = 0;
  MainThread::SetWakeHook([&] {
    std::lock_guard guard(lock);
    ++posts;
    posted.notify_all();
  });
  std::promise<std::intptr_t> result;
  std::thread sender([&] { result.set_value(SendMessageA(window, WM_TEST, 0, 0)); });
  {
    std::unique_lock guard(lock);
    posted.wait(guard, [&] { return posts > 0; });
  }
  DeallocateHWnd(window);
  EXPECT_EQ(result.get_future().get(), 0);  // released without the main loop running
  sender.join();
  MainThread::RunPending();  // the dropped message reaches nobody
  EXPECT_EQ(handled, 0);

  // Sent after the window went: returns 0 at once.
  std::intptr_t late = -1;
  std::thread lateSender([&] { late = SendMessageA(window, WM_TEST, 0, 0); });
  lateSender.join();
  EXPECT_EQ(late, 0);
  EXPECT_EQ(SendMessageA(window, WM_TEST, 0, 0), 0);  // and from the main thread too
  DeallocateHWnd(window);                             // twice is harmless
  DeallocateHWnd(nullptr);
}

TEST_F(HiddenWindow, WindowDeallocatedByItsOwnProcedureFinishesTheMessage) {
  TWindowHandle window = nullptr;
  window = AllocateHWnd([&](TMessage& m) {
    DeallocateHWnd(window);
    m.Result = 3;
  });
  std::intptr_t first = -1, second = -1;
  OnWorker([&] {
    first = SendMessageA(window, WM_TEST, 0, 0);
    second = SendMessageA(window, WM_TEST, 0, 0);
  });
  EXPECT_EQ(first, 3);
  EXPECT_EQ(second, 0);
}

TEST_F(HiddenWindow, ProcedureExceptionReleasesTheSenderAndIsShown) {
  TApplication app(std::make_unique<HeadlessBackend>());
  app.Initialize();
  std::vector<std::string> shown;
  app.OnExceptionShown = [&](const std::string& text) { shown.push_back(text); };
  TWindowHandle window = AllocateHWnd([](TMessage&) { throw Exception("Read error"); });
  std::intptr_t result = -1;
  testing::internal::CaptureStderr();
  OnWorker([&] { result = SendMessageA(window, WM_TEST, 0, 0); });
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Read error\n");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(shown, (std::vector<std::string>{"Read error"}));
  DeallocateHWnd(window);
}

TEST_F(HiddenWindow, WaitingForAThreadServesTheMessagesItSends) {
  int handled = 0;
  TWindowHandle window = AllocateHWnd([&](TMessage& m) {
    ++handled;
    m.Result = static_cast<std::intptr_t>(m.WParam) + 1;
  });
  std::vector<std::intptr_t> results;
  FunctionThread sender([&](FunctionThread&) {
    for (std::uintptr_t i = 0; i < 50; ++i) results.push_back(SendMessageA(window, WM_TEST, i, 0));
  });
  sender.Resume();
  sender.WaitFor();
  EXPECT_EQ(handled, 50);
  ASSERT_EQ(results.size(), 50u);
  EXPECT_EQ(results.back(), 50);
  DeallocateHWnd(window);
}

TEST_F(HiddenWindow, WaitingForTheSenderInsideItsMessageRaisesUntilItIsReleased) {
  FunctionThread* sender = nullptr;
  std::string refused;
  bool waited = false;
  TWindowHandle window = AllocateHWnd([&](TMessage&) {
    EXPECT_TRUE(sender->InSynchronize());
    try {
      sender->WaitFor();  // the sender waits for us: this would never end
    } catch (const EThread& e) {
      refused = e.Message();
    }
    ReplyMessage(0);  // released: now it can end, and be waited for here
    EXPECT_FALSE(sender->InSynchronize());
    sender->WaitFor();
    waited = true;
  });
  auto owned = std::make_unique<FunctionThread>(
      [&](FunctionThread&) { SendMessageA(window, WM_TEST, 0, 0); });
  sender = owned.get();
  sender->Resume();
  owned.reset();
  EXPECT_EQ(refused,
            "Cannot wait for a thread from inside its own synchronized call or sent message");
  EXPECT_TRUE(waited);
  DeallocateHWnd(window);
}
