// Delivery of the device's events on the simulated device: what each event
// tells the links and the handlers, in which order, on which thread, and the
// received bytes handed over as a count or as a buffer.
#include "platform/serial/sim/SimPort.h"
#include "tests/integration/engine/EventFixture.h"

namespace {

class EventDeliveryTest : public EventTest {
 protected:
  EventDeliveryTest() {
    port.SetPort("SIM1");
    Watch(port, link);
  }
  ~EventDeliveryTest() override {
    port.Close();
    port.UnregisterLink(&link);
  }
  void Open() {
    port.Open();
    journal.Take();
  }
  // OnRxChar reads the Count bytes it is told about.
  void ReadOnRxChar() {
    port.SetOnRxChar([this](TObject*, std::int32_t count) {
      std::string bytes(static_cast<std::size_t>(count), '\0');
      port.Read(bytes.data(), count);
      journal.Add("RxChar " + bytes + (MainThread::IsCurrent() ? " main" : " event thread"));
    });
  }

  comm::sim::SimPort sim{"SIM1"};
  TComPort port{nullptr};
  TComLink link;
};

TEST_F(EventDeliveryTest, ReceivedBytesReachOnRxCharOnTheMainThreadWithTheQueuedCount) {
  ReadOnRxChar();
  Open();
  sim.Feed("hello");
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("link rx off"); }));
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"link rx on", "link rx off", "RxChar hello main"}));
}

TEST_F(EventDeliveryTest, ErrorsOfABatchAreHandledBeforeItsBytes) {
  ReadOnRxChar();
  Open();
  sim.FeedWithError('x', CE_FRAME);
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("link rx off"); }));
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"Error 1", "link rx on", "link rx off", "RxChar x main"}));
}

// The queue count taken for earlier bytes clears the device's error flags
// before the error's own batch asks for them: the error still reaches
// OnError, and only once.
TEST_F(EventDeliveryTest, ALineErrorBehindQueuedBytesIsReportedOnce) {
  ReadOnRxChar();
  Open();
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { sim.FeedWithError('x', CE_FRAME); }, "Error 1"},
      {[&] { sim.InjectErrors(CE_OVERRUN); }, "Error 4"},
  };
  for (const auto& [arrive, report] : cases) {
    const int before = wakeups;
    sim.Feed("ab");
    ASSERT_TRUE(WaitUntil([&] { return wakeups > before; }));  // "ab" waits for the main thread
    arrive();
    ASSERT_TRUE(PumpUntil([&] { return journal.Has(report); })) << report;
    sim.Feed("z");
    ASSERT_TRUE(PumpUntil([&] { return journal.Has("RxChar z main"); }));
    const std::vector<std::string> lines = journal.Take();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("Error"); }),
              1)
        << report;
  }
}

// Without a sync method the error batch is handled on the event thread while
// the main thread keeps asking for the queue count: each error still reaches
// OnError once, whichever thread cleared it on the device.
TEST_F(EventDeliveryTest, LineErrorsClearedByAnotherThreadAreReportedOnce) {
  port.SetSyncMethod(smNone);
  std::atomic<int> reported{0};
  port.SetOnError([&](TObject*, TComErrors errors) {
    if (errors == TComErrors{ceOverrun}) ++reported;
  });
  Open();
  constexpr int kErrors = 50;
  for (int i = 1; i <= kErrors; ++i) {
    sim.InjectErrors(CE_OVERRUN);
    ASSERT_TRUE(WaitUntil([&] { return port.InputQueueCount() >= 0 && reported >= i; })) << i;
  }
  EXPECT_TRUE(port.ReadLineErrors().Empty());
  EXPECT_EQ(reported, kErrors);
}

TEST_F(EventDeliveryTest, EachLineEventReachesTheLinksThenItsHandler) {
  port.SetEventChar('\r');
  Open();
  sim.SetCTS(true);
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("CTS on"); }));
  sim.SetRing(true);
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("Ring"); }));
  sim.InjectErrors(CE_BREAK);
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("Break"); }));
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"link cts on", "CTS on", "link ring", "Ring", "Break"}));

  port.Write("ab", 2);
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("TxEmpty"); }));
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"link tx on", "link tx off", "link txempty", "TxEmpty"}));

  sim.Feed("ok\r");  // nobody reads: the bytes stay queued
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("RxFlag"); }));
  EXPECT_EQ(journal.Take(), (std::vector<std::string>{"link rx on", "link rxflag", "RxFlag"}));
}

TEST_F(EventDeliveryTest, AnEventWhoseBytesWereAlreadyReadFiresNothing) {
  ReadOnRxChar();
  Open();
  const int before = wakeups;
  sim.Feed("abc");
  // The hand-over is queued for the main thread; read the bytes before it runs.
  ASSERT_TRUE(WaitUntil([&] { return wakeups > before; }));
  char buffer[8];
  EXPECT_EQ(port.Read(buffer, 8), 3);
  journal.Take();  // the read's own "link rx off"
  port.Close();    // serves the queued hand-over before the thread ends
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"link cts off", "link dsr off", "link rlsd off", "CTS off",
                                      "DSR off", "RLSD off", "BeforeClose c1", "link conn off c0",
                                      "AfterClose c0"}));
}

TEST_F(EventDeliveryTest, BufferLinksReceiveTheBytesReadOnceAndOnRxCharIsNotCalled) {
  ReadOnRxChar();
  std::vector<const void*> buffers;
  auto bufferSlot = [&](std::string name) {
    return [&, name](TObject*, const void* buffer, std::int32_t count) {
      buffers.push_back(buffer);
      journal.Add(name + " " + std::string(static_cast<const char*>(buffer), count));
    };
  };
  port.SetOnRxBuf(bufferSlot("port"));
  TComLink first, second;
  first.OnRxBuf = bufferSlot("first");
  second.OnRxBuf = bufferSlot("second");
  port.RegisterLink(&first);
  Open();

  sim.Feed("12345");
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("link rx off"); }));
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"link rx on", "link rx off", "port 12345", "first 12345"}));

  port.RegisterLink(&second);
  buffers.clear();
  sim.Feed("678");
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("second 678"); }));
  EXPECT_EQ(journal.Take(), (std::vector<std::string>{"link rx on", "link rx off", "port 678",
                                                      "first 678", "second 678"}));
  ASSERT_EQ(buffers.size(), 3u);
  EXPECT_TRUE(buffers[0] == buffers[1] && buffers[1] == buffers[2]);
  port.UnregisterLink(&first);
  port.UnregisterLink(&second);
}

}  // namespace
