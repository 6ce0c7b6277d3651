// A device that goes away while its port is open, on the simulated device,
// in each hand-over mode: one report, then the port closes itself on its
// own thread as Close does, costs nothing more, and opens again once the
// device is back.
#include <cerrno>

#include "platform/serial/sim/SimPort.h"
#include "tests/integration/engine/EventFixture.h"

namespace {

class DeviceLossTest : public EventTest, public ::testing::WithParamInterface<TSyncMethod> {
 protected:
  DeviceLossTest() {
    port.SetPort("SIM1");
    port.SetSyncMethod(GetParam());
    Watch(port, link);
    port.SetOnDeviceLost([this](TObject*, const EComPortExt& error) {
      journal.Add("lost " + std::to_string(error.ErrorCode()) + " " +
                  std::to_string(error.SystemErrorCode()) + (port.Connected() ? " c1" : " c0") +
                  (MainThread::IsCurrent() ? " main" : " other thread"));
    });
  }
  ~DeviceLossTest() override {
    port.Close();
    port.UnregisterLink(&link);
  }

  void OpenQuietly() {
    port.Open();
    journal.Take();
  }
  // Pumps until the port has closed itself and its thread is gone.
  bool ClosedByItself() {
    return PumpUntil([&] { return journal.Has("AfterClose c0"); }) &&
           PumpUntil([] { return TComThread::InstanceCount() == 0; });
  }

  comm::sim::SimPort sim{"SIM1"};
  TComPort port{nullptr};
  TComLink link;
};

const std::vector<std::string> kLossThenClose = {
    "lost 21 5 c1 main", "link cts off", "link dsr off",   "link rlsd off",    "CTS off",
    "DSR off",           "RLSD off",     "BeforeClose c1", "link conn off c0", "AfterClose c0"};

TEST_P(DeviceLossTest, IsReportedOnceThenThePortClosesAndOpensAgainWhenTheDeviceIsBack) {
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    port.Read(bytes.data(), count);
    journal.Add("RxChar " + bytes);
  });
  for (int loss = 1; loss <= 2; ++loss) {
    SCOPED_TRACE(loss);
    OpenQuietly();
    sim.Unplug();
    ASSERT_TRUE(ClosedByItself());
    EXPECT_EQ(journal.Take(), kLossThenClose);
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(sim.IsOpen());

    // Nothing more: no CPU, no report.
    const double cpuBefore = ProcessCpuSeconds();
    MainThread::RunPending();
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.1);
    EXPECT_TRUE(journal.Lines().empty());

    sim.Plug();
    OpenQuietly();
    sim.Feed("ok");
    ASSERT_TRUE(PumpUntil([&] { return journal.Has("RxChar ok"); }));
    port.Close();
    journal.Take();
  }
}

TEST_P(DeviceLossTest, AHandlerThatMeetsTheLossFirstLeavesTheOneReportToTheThread) {
  // The bytes' handler finds the device gone as it asks for the queue count
  // (which a device that has hung up refuses).
  port.SetOnRxChar([&](TObject*, std::int32_t) {
    sim.Unplug();
    sim.FailAlways(comm::sim::SimCall::ClearCommError, EIO);
    port.InputQueueCount();
  });
  OpenQuietly();
  sim.Feed("x");
  ASSERT_TRUE(ClosedByItself());
  std::vector<std::string> expected = kLossThenClose;
  expected.insert(expected.begin(), "link rx on");
  EXPECT_EQ(journal.Take(), expected);
  EXPECT_TRUE(shownSystemErrors.empty());
}

TEST_P(DeviceLossTest, WithoutAHandlerTheReportIsShownAndAnOwnerMayCloseAfterIt) {
  port.SetOnDeviceLost(nullptr);
  OpenQuietly();
  app.OnExceptionShown = [&](const std::string& text) {
    journal.Add("shown: " + text);
    port.Close();  // as a program that closes on any error
  };
  sim.Unplug();
  ASSERT_TRUE(ClosedByItself());
  const std::vector<std::string> lines = journal.Take();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "shown: COM Port Error: WaitForEvent method failed on SIM1");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "AfterClose c0"), 1);
  sim.Plug();
  OpenQuietly();
  EXPECT_TRUE(port.Connected());
}

TEST_P(DeviceLossTest, AnOwnerThatClosesAsTheDeviceGoesHearsNothingOfIt) {
  OpenQuietly();
  // The thread has found the loss and waits to hand it over when Close comes.
  const int before = wakeups;
  sim.Unplug();
  ASSERT_TRUE(WaitUntil([&] { return wakeups > before; }));
  port.Close();
  MainThread::RunPending();
  const std::vector<std::string> lines = journal.Take();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "AfterClose c0"), 1);
  for (const std::string& line : lines) EXPECT_FALSE(line.starts_with("lost")) << line;
  EXPECT_EQ(TComThread::InstanceCount(), 0);
}

std::string ModeName(const ::testing::TestParamInfo<TSyncMethod>& info) {
  static const char* const names[] = {"ThreadSync", "WindowSync", "None"};
  return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EachHandOver, DeviceLossTest,
                         ::testing::Values(smThreadSync, smWindowSync, smNone), ModeName);

}  // namespace
