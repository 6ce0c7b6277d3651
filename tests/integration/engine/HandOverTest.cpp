// The hand-over of events to the handlers on the simulated device: each sync
// method, handlers that raise, closing while a hand-over is under way, and a
// device that disappears.
#include "platform/serial/sim/SimPort.h"
#include "tests/integration/engine/EventFixture.h"

namespace {

using comm::sim::SimCall;

class HandOverTest : public EventTest {
 protected:
  HandOverTest() { port.SetPort("SIM1"); }
  ~HandOverTest() override { port.Close(); }

  // OnRxChar reads what it is told about and notes where it ran.
  void ReadOnRxChar() {
    port.SetOnRxChar([this](TObject*, std::int32_t count) {
      std::string bytes(static_cast<std::size_t>(count), '\0');
      port.Read(bytes.data(), count);
      journal.Add("RxChar " + bytes + (MainThread::IsCurrent() ? " main" : " event thread") +
                  (port.Connected() ? " c1" : " c0"));
    });
  }

  comm::sim::SimPort sim{"SIM1"};
  TComPort port{nullptr};
};

const char* ModeName(TSyncMethod mode) {
  static const char* names[] = {"thread sync", "window sync", "none", "disabled"};
  return names[mode];
}

TEST_F(HandOverTest, HandlersRunWhereTheSyncMethodSays) {
  ReadOnRxChar();
  for (TSyncMethod mode : {smThreadSync, smWindowSync, smNone}) {
    SCOPED_TRACE(ModeName(mode));
    port.SetSyncMethod(mode);
    port.Open();
    sim.Feed("x");
    ASSERT_TRUE(PumpUntil([&] { return !journal.Lines().empty(); }));
    const char* expected = mode == smNone ? "RxChar x event thread c1" : "RxChar x main c1";
    EXPECT_EQ(journal.Take(), std::vector<std::string>{expected});
    port.Close();
  }
}

TEST_F(HandOverTest, DisabledEventsAreConsumedAndDropped) {
  ReadOnRxChar();
  TComLink link;
  link.OnTxActive = [this](TObject*, bool on) { journal.Add(on ? "tx on" : "tx off"); };
  port.RegisterLink(&link);
  port.SetSyncMethod(smDisableEvents);
  port.Open();
  // Each batch the thread takes re-arms the wait.
  auto waits = [&] { return sim.CountCalls(SimCall::WaitCommEvent); };
  ASSERT_TRUE(WaitUntil([&] { return waits() >= 1; }));
  std::size_t armed = waits();
  port.Write("ab", 2);
  ASSERT_TRUE(WaitUntil([&] { return waits() > armed; }));
  armed = waits();
  sim.Feed("cd");
  ASSERT_TRUE(WaitUntil([&] { return waits() > armed; }));
  port.Close();
  MainThread::RunPending();
  EXPECT_EQ(journal.Lines(), std::vector<std::string>{"tx on"});
  port.UnregisterLink(&link);
}

TEST_F(HandOverTest, WindowSyncReleasesTheEventThreadBeforeTheHandlerRuns) {
  port.SetSyncMethod(smWindowSync);
  port.SetOnError([&](TObject*, TComErrors) {
    // The thread arms its next wait while this handler still runs.
    const bool released = WaitUntil([&] { return sim.CountCalls(SimCall::WaitCommEvent) >= 2; });
    journal.Add(released ? "released" : "still held");
  });
  port.Open();
  sim.InjectErrors(CE_FRAME);
  ASSERT_TRUE(PumpUntil([&] { return !journal.Lines().empty(); }));
  EXPECT_EQ(journal.Lines(), std::vector<std::string>{"released"});
}

TEST_F(HandOverTest, AHandlerThatRaisesIsShownAndTheNextBytesStillArrive) {
  for (TSyncMethod mode : {smThreadSync, smWindowSync, smNone}) {
    SCOPED_TRACE(ModeName(mode));
    bool first = true;
    port.SetOnRxChar([&](TObject*, std::int32_t count) {
      std::string bytes(static_cast<std::size_t>(count), '\0');
      port.Read(bytes.data(), count);
      if (std::exchange(first, false)) StrToInt(bytes);  // a malformed reply
      journal.Add("RxChar " + bytes);
    });
    port.SetSyncMethod(mode);
    port.Open();
    sim.Feed("1x");
    ASSERT_TRUE(PumpUntil([&] { return !journal.Lines().empty(); }));
    sim.Feed("42");
    ASSERT_TRUE(PumpUntil([&] { return journal.Lines().size() == 2; }));
    EXPECT_EQ(journal.Take(),
              (std::vector<std::string>{"shown: '1x' is not a valid integer value", "RxChar 42"}));
    port.Close();
  }
}

TEST_F(HandOverTest, CloseServesAHandOverThatIsWaitingAndThenEnds) {
  ReadOnRxChar();
  port.Open();
  const int before = wakeups;
  sim.Feed("abc");
  ASSERT_TRUE(WaitUntil([&] { return wakeups > before; }));  // blocked in the hand-over
  port.Close();
  EXPECT_EQ(journal.Lines(), std::vector<std::string>{"RxChar abc main c1"});
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(TComEventWait::Count(), 0);
}

TEST_F(HandOverTest, AHandlerMayCloseThePort) {
  for (TSyncMethod mode : {smThreadSync, smWindowSync}) {
    SCOPED_TRACE(ModeName(mode));
    port.SetOnRxChar([&](TObject*, std::int32_t) {
      port.Close();
      journal.Add(port.Connected() ? "closed c1" : "closed c0");
    });
    port.SetSyncMethod(mode);
    port.Open();
    sim.Feed("x");
    ASSERT_TRUE(PumpUntil([&] { return !journal.Lines().empty(); }));
    EXPECT_EQ(journal.Take(), std::vector<std::string>{"closed c0"});
    EXPECT_FALSE(sim.IsOpen());
    // The thread ends and goes once the hand-over has returned.
    EXPECT_TRUE(PumpUntil([] { return TComEventWait::Count() == 0; }));
    // The port opens again as usual.
    port.SetOnRxChar(nullptr);
    port.Open();
    port.Close();
  }
}

TEST_F(HandOverTest, AnUnpluggedDeviceIsReportedOnceClosesAndCostsNothingAfterwards) {
  ReadOnRxChar();
  port.Open();
  sim.Unplug();
  ASSERT_TRUE(PumpUntil([&] { return !journal.Lines().empty(); }));
  EXPECT_EQ(journal.Lines(),
            std::vector<std::string>{"shown: COM Port Error: WaitForEvent method failed on SIM1"});
  EXPECT_EQ(shownSystemErrors,
            (std::vector<std::pair<int, std::int32_t>>{{21, comm::kErrDeviceGone}}));

  // The thread no longer waits: no device call and no CPU time while idle.
  const std::size_t waits = sim.CountCalls(SimCall::WaitCommEvent);
  ExpectClosedAndQuiet(port);
  EXPECT_EQ(sim.CountCalls(SimCall::WaitCommEvent), waits);
}

}  // namespace
