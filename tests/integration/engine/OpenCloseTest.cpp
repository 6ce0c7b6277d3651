// Opening and closing as a whole on the simulated device: the order of the
// notifications and of the device calls, the setters that open, close and
// reopen, loading and destruction.
#include <memory>

#include "platform/serial/sim/SimPort.h"
#include "tests/integration/engine/EventFixture.h"

namespace {

class OpenCloseTest : public EventTest {
 protected:
  OpenCloseTest() {
    port->SetPort("SIM1");
    Watch(*port, link);
  }
  ~OpenCloseTest() override {
    if (port) port->UnregisterLink(&link);
  }

  comm::sim::SimPort sim{"SIM1"};
  std::unique_ptr<TComPort> port = std::make_unique<TComPort>(nullptr);
  TComLink link;
};

TEST_F(OpenCloseTest, OpenAndCloseNotifyInTheirFixedOrder) {
  sim.SetModemLines(MS_CTS_ON | MS_RLSD_ON);
  port->Open();
  EXPECT_EQ(journal.Take(), (std::vector<std::string>{
                                "BeforeOpen c0", "link conn on c1", "AfterOpen c1", "link cts on",
                                "CTS on", "link dsr off", "DSR off", "link rlsd on", "RLSD on"}));
  EXPECT_EQ(sim.Mask(), 0x05FFu);
  EXPECT_EQ(TComEventWait::Count(), 1);

  // The event thread starts its wait on its own time; let it get there so
  // that the calls below are Close's alone.
  ASSERT_TRUE(WaitUntil([&] { return sim.CountCalls(comm::sim::SimCall::WaitCommEvent) >= 1; }));
  sim.ClearCalls();
  port->Close();
  EXPECT_EQ(journal.Take(),
            (std::vector<std::string>{"link cts off", "link dsr off", "link rlsd off", "CTS off",
                                      "DSR off", "RLSD off", "BeforeClose c1", "link conn off c0",
                                      "AfterClose c0"}));
  // Pending transfers are aborted before the thread ends (clearing the mask
  // and both queues); the device is closed last.
  const std::vector<std::string> calls = sim.Calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls.front(), "PurgeComm(0x0003)");
  EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
            (std::vector<std::string>{"SetCommMask(0x0000)", "PurgeComm(0x000C)", "CloseHandle"}));
  EXPECT_EQ(TComEventWait::Count(), 0);
  EXPECT_FALSE(sim.IsOpen());
}

TEST_F(OpenCloseTest, OpeningAnOpenPortOrClosingAClosedOneDoesNothing) {
  port->Close();
  port->Open();
  journal.Take();
  sim.ClearCalls();
  port->Open();
  port->SetConnected(true);
  EXPECT_TRUE(journal.Lines().empty());
  EXPECT_TRUE(sim.Calls().empty());
  port->SetConnected(false);
  journal.Take();
  port->Close();
  EXPECT_TRUE(journal.Lines().empty());
}

TEST_F(OpenCloseTest, WithoutEventsThereIsNoThreadAndNoDeviceWait) {
  port->SetEvents(TComEvents());
  port->SetSyncMethod(smWindowSync);
  port->Open();
  EXPECT_EQ(TComEventWait::Count(), 0);
  EXPECT_EQ(sim.CountCalls(comm::sim::SimCall::SetCommMask), 0u);
  EXPECT_EQ(sim.CountCalls(comm::sim::SimCall::WaitCommEvent), 0u);
  sim.Feed("abc");
  port->Close();
  MainThread::RunPending();
  EXPECT_EQ(journal.Lines().back(), "AfterClose c0");
}

TEST_F(OpenCloseTest, AFailedAbortKeepsThePortOpenUnlessTheDeviceIsGone) {
  port->Open();
  journal.Take();
  sim.FailNext(comm::sim::SimCall::PurgeComm, comm::kErrTimedOut);
  EXPECT_THROW(port->Close(), EComPortExt);
  EXPECT_TRUE(port->Connected());
  EXPECT_EQ(journal.Take().back(), "BeforeClose c1");

  // A device that is gone has nothing pending: closing goes on.
  sim.FailNext(comm::sim::SimCall::PurgeComm, comm::kErrDeviceGone);
  port->Close();
  EXPECT_FALSE(port->Connected());
  EXPECT_FALSE(sim.IsOpen());
  EXPECT_EQ(journal.Take().back(), "AfterClose c0");
}

TEST_F(OpenCloseTest, ChangingThePortOfAnOpenPortReopensItUnderTheNewName) {
  comm::sim::SimPort other("SIM2");
  port->Open();
  journal.Take();
  port->SetPort("SIM1");
  EXPECT_TRUE(journal.Lines().empty());

  port->SetPort("SIM2");
  EXPECT_TRUE(other.IsOpen());
  EXPECT_FALSE(sim.IsOpen());
  const std::vector<std::string> lines = journal.Take();
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[6], "BeforeClose c1");
  EXPECT_EQ(lines[8], "AfterClose c0");
  EXPECT_EQ(lines[9], "BeforeOpen c0");
  EXPECT_EQ(lines[11], "AfterOpen c1");

  // Names compare with their letter case: "sim2" is another name (the device
  // registry finds the same device under it).
  port->SetPort("sim2");
  EXPECT_EQ(journal.Take().size(), 18u);
  EXPECT_EQ(other.OpenCount(), 2);
}

TEST_F(OpenCloseTest, AFailedReopenLeavesTheNewNameStoredAndThePortClosed) {
  port->Open();
  journal.Take();
  EXPECT_THROW(port->SetPort("NOSUCHPORT"), EComPortExt);
  EXPECT_EQ(port->Port(), "NOSUCHPORT");
  EXPECT_FALSE(port->Connected());
  EXPECT_EQ(journal.Lines().back(), "BeforeOpen c0");
}

TEST_F(OpenCloseTest, ConnectedStoredWhileLoadingOpensAtLoaded) {
  port->BeginLoading();
  port->SetConnected(true);
  EXPECT_TRUE(port->Connected());
  EXPECT_FALSE(sim.IsOpen());
  port->Loaded();
  EXPECT_TRUE(port->Connected());
  EXPECT_TRUE(sim.IsOpen());
  EXPECT_EQ(journal.Lines().front(), "BeforeOpen c0");
}

TEST_F(OpenCloseTest, AFailureToOpenAtLoadedIsShownAndSwallowed) {
  port->BeginLoading();
  port->SetPort("NOSUCHPORT");
  port->SetConnected(true);
  EXPECT_NO_THROW(port->Loaded());
  EXPECT_FALSE(port->Connected());
  EXPECT_TRUE(journal.Has("shown: COM Port Error: Unable to open com port on NOSUCHPORT"));
}

TEST_F(OpenCloseTest, DestroyingAnOpenPortClosesItWithItsNotifications) {
  port->Open();
  journal.Take();
  port->UnregisterLink(&link);
  port.reset();
  const std::vector<std::string> lines = journal.Take();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "CTS off");
  EXPECT_EQ(lines.back(), "AfterClose c0");
  EXPECT_TRUE(journal.Lines().empty());
  EXPECT_FALSE(sim.IsOpen());
  EXPECT_EQ(TComEventWait::Count(), 0);
}

}  // namespace
