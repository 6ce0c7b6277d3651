// The device wait in the main thread's loop (smThreadSync): batches reach
// the handlers on the main thread in their order without anything handed
// over through the queue, a handler may raise, pump or close the port, the
// port closes from anywhere, and a program whose loop serves no sources
// keeps the wait on the event thread. A device that goes: DeviceLossTest.
#include "platform/runtime/LoopSources.h"
#include "platform/serial/sim/SimPort.h"
#include "tests/integration/engine/EventFixture.h"

namespace {

class MainLoopWaitTest : public EventTest {
 protected:
  MainLoopWaitTest() {
    port.SetPort("SIM1");
    port.SetWaitInMainLoop(true);
    port.SetOnError([this](TObject*, TComErrors errors) {
      journal.Add("Error " + std::to_string(errors.ToBits()));
    });
    port.SetOnCTSChange([this](TObject*, bool on) { journal.Add(on ? "CTS on" : "CTS off"); });
  }
  ~MainLoopWaitTest() override { port.Close(); }

  // OnRxChar reads what it is told about and notes where it ran.
  void ReadOnRxChar() {
    port.SetOnRxChar([this](TObject*, std::int32_t count) {
      std::string bytes(static_cast<std::size_t>(count), '\0');
      port.Read(bytes.data(), count);
      journal.Add("RxChar " + bytes + (MainThread::IsCurrent() ? " main" : " event thread"));
    });
  }
  void Open() {
    port.Open();
    journal.Take();  // the line levels of opening
  }

  comm::sim::SimPort sim{"SIM1"};
  TComPort port{nullptr};
};

TEST_F(MainLoopWaitTest, BatchesReachTheHandlersOnTheMainThreadWithNothingHandedOver) {
  ReadOnRxChar();
  Open();
  const int wakeupsBefore = wakeups;
  sim.FeedWithError('x', CE_FRAME);  // errors before the bytes of their batch
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("RxChar x main"); }));
  sim.SetCTS(true);
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("CTS on"); }));
  sim.Feed("yz");
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("RxChar yz main"); }));
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"Error 1", "RxChar x main", "CTS on", "RxChar yz main"}));
  // Each handler ran from the loop's own wait: the main thread was woken
  // once per journal line and for nothing else, so the event thread handed
  // nothing over.
  EXPECT_EQ(wakeups - wakeupsBefore, 4);
}

// Where the wait is decides whether the port has a thread: none in the loop,
// one where the loop cannot take the wait, and the port says which.
TEST_F(MainLoopWaitTest, ThePortSaysWhereItWaitsAndOnlyTheEventThreadModeHasAThread) {
  struct Case {
    TSyncMethod sync;
    bool wish, onMain, inLoop;
  };
  for (const Case c : {Case{smThreadSync, true, true, true}, Case{smThreadSync, false, true, false},
                       Case{smNone, true, true, false}, Case{smThreadSync, true, false, false}}) {
    SCOPED_TRACE(std::to_string(c.sync) + (c.wish ? " wish" : "") + (c.onMain ? " main" : ""));
    port.SetSyncMethod(c.sync);
    port.SetWaitInMainLoop(c.wish);
    if (c.onMain) {
      Open();
    } else {
      std::thread([this] { port.Open(); }).join();
    }
    EXPECT_EQ(port.WaitsInMainLoop(), c.inLoop);
    EXPECT_EQ(TComEventWait::ThreadCount(), c.inLoop ? 0 : 1);
    port.Close();
    EXPECT_FALSE(port.WaitsInMainLoop());
    ASSERT_TRUE(PumpUntil([] { return TComEventWait::ThreadCount() == 0; }));
  }
}

TEST_F(MainLoopWaitTest, AHandlerThatRaisesIsShownAndTheNextBytesStillArrive) {
  bool first = true;
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    port.Read(bytes.data(), count);
    if (std::exchange(first, false)) StrToInt(bytes);  // a malformed reply
    journal.Add("RxChar " + bytes);
  });
  Open();
  sim.Feed("1x");
  ASSERT_TRUE(PumpUntil([&] { return !journal.Lines().empty(); }));
  sim.Feed("42");
  ASSERT_TRUE(PumpUntil([&] { return journal.Lines().size() == 2; }));
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"shown: '1x' is not a valid integer value", "RxChar 42"}));
}

TEST_F(MainLoopWaitTest, AHandlerThatPumpsDoesNotGetTheNextBatchInsideIt) {
  int batch = 0;
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    const std::string name = std::to_string(++batch);
    journal.Add("begin " + name);
    std::string bytes(static_cast<std::size_t>(count), '\0');
    port.Read(bytes.data(), count);
    if (name == "1") {
      sim.Feed("b");
      Application->ProcessMessages();  // the next batch waits until this one returns
    }
    journal.Add("end " + name);
  });
  Open();
  sim.Feed("a");
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("end 2"); }));
  EXPECT_EQ(journal.Take(), (std::vector<std::string>{"begin 1", "end 1", "begin 2", "end 2"}));
}

TEST_F(MainLoopWaitTest, TheThreadEndsHoweverThePortCloses) {
  std::atomic<bool> closed{false};
  port.SetOnRxChar([&](TObject*, std::int32_t) {
    port.Close();
    closed = true;
  });
  std::thread closer;
  const std::pair<const char*, std::function<void()>> closings[] = {
      {"from a handler", [&] { sim.Feed("x"); }},
      {"from the main thread", [&] { port.Close(), closed = true; }},
      {"from another thread",
       [&] {
         closer = std::thread([&] {
           port.Close();
           closed = true;
           MainThread::Wake();
         });
       }},
  };
  for (const auto& [how, close] : closings) {
    SCOPED_TRACE(how);
    closed = false;
    Open();
    close();
    EXPECT_TRUE(PumpUntil([&] { return closed && TComEventWait::Count() == 0; }));
    if (closer.joinable()) closer.join();
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(sim.IsOpen());
  }
}

// A close on another thread takes the wait back itself: it waits for a batch
// already being handed over and for nothing else, needs no loop on the main
// thread, and leaves nothing behind that the loop could touch after the
// thread is gone. Each case many times, for the sanitizers to see races.
TEST_F(MainLoopWaitTest, ACloseFromAnotherThreadNeedsNothingOfTheMainThread) {
  constexpr int kRounds = 1000;
  std::atomic<bool> closed{false};
  std::thread closer;
  auto closeElsewhere = [&] {
    closer = std::thread([&] {
      port.Close();
      closed = true;
      MainThread::Wake();
    });
  };
  // During a handler: the handler sees the close end before it returns.
  int unfinished = 0;
  port.SetOnRxChar([&](TObject*, std::int32_t) {
    closeElsewhere();
    if (!WaitUntil([&] { return closed.load(); }, std::chrono::seconds(5))) ++unfinished;
  });
  for (int round = 0; round < kRounds && unfinished == 0; ++round) {
    closed = false;
    Open();
    sim.Feed("x");
    ASSERT_TRUE(PumpUntil([&] { return closed && TComEventWait::Count() == 0; }));
    closer.join();
  }
  EXPECT_EQ(unfinished, 0);
  // While the main thread waits for the closer without running its loop.
  port.SetOnRxChar(nullptr);
  int hung = 0;
  for (int round = 0; round < kRounds && hung == 0; ++round) {
    closed = false;
    Open();
    if (round % 2 == 1) sim.Feed("y");  // a batch ready but not taken
    closeElsewhere();
    if (!WaitUntil([&] { return closed.load(); }, std::chrono::seconds(5))) ++hung;
    PumpUntil([&] { return closed.load(); });
    closer.join();
    ASSERT_TRUE(PumpUntil([] { return TComEventWait::Count() == 0; }));
    EXPECT_FALSE(sim.IsOpen());
  }
  EXPECT_EQ(hung, 0);
}

TEST_F(MainLoopWaitTest, WhereTheLoopServesNoSourcesTheEventThreadHandsTheBatchOver) {
  ReadOnRxChar();
  MainThread::SetSourcesServed(false);
  struct Restore {
    ~Restore() { MainThread::SetSourcesServed(true); }
  } restore;
  Open();
  const int wakeupsBefore = wakeups;
  sim.Feed("x");
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("RxChar x main"); }));
  // The hand-over and the journal line; the event thread counts its
  // hand-over's wake-up just after posting it, so it may come last.
  EXPECT_TRUE(WaitUntil([&] { return wakeups - wakeupsBefore > 1; }, std::chrono::seconds(5)));
}

}  // namespace
