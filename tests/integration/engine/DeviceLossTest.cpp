// A device that goes away while its port is open, on the simulated device,
// in each hand-over mode and with the wait in the main loop: one report,
// then the port closes itself on its own thread as Close does, and opens
// again once the device is back.
#include "platform/serial/SystemErrorNumbers.h"
#include "platform/serial/sim/SimPort.h"
#include "tests/integration/engine/EventFixture.h"

namespace {

struct HandOver {
  TSyncMethod syncMethod;
  bool inMainLoop;
};

class DeviceLossTest : public EventTest, public ::testing::WithParamInterface<HandOver> {
 protected:
  DeviceLossTest() {
    port.SetPort("SIM1");
    port.SetSyncMethod(GetParam().syncMethod);
    port.SetWaitInMainLoop(GetParam().inMainLoop);
    Watch(port, link);
    port.SetOnDeviceLost([this](TObject*, const EComPortExt& error) {
      const bool gone = error.SystemErrorCode() == comm::kErrDeviceGone;
      journal.Add("lost " + std::to_string(error.ErrorCode()) + (gone ? " gone" : " other") +
                  (port.Connected() ? " c1" : " c0") + (MainThread::IsCurrent() ? " main" : ""));
    });
    port.Open();
    journal.Take();
  }
  ~DeviceLossTest() override {
    port.Close();
    port.UnregisterLink(&link);
  }
  // The journal, its lines joined by "|", once the port has closed itself
  // and its thread is gone.
  std::string UntilClosed() {
    EXPECT_TRUE(PumpUntil([&] { return journal.Has("AfterClose c0"); }));
    EXPECT_TRUE(PumpUntil([] { return TComEventWait::Count() == 0; }));
    std::string lines;
    for (const std::string& line : journal.Take()) lines += (lines.empty() ? "" : "|") + line;
    return lines;
  }

  comm::sim::SimPort sim{"SIM1"};
  TComPort port{nullptr};
  TComLink link;
};

// The report, then Close's notifications in their order.
const std::string kLossThenClose =
    "lost 21 gone c1 main|link cts off|link dsr off|link rlsd off|CTS off|DSR off|RLSD off|"
    "BeforeClose c1|link conn off c0|AfterClose c0";

TEST_P(DeviceLossTest, IsReportedOnceThenThePortClosesAndOpensAgainWhenTheDeviceIsBack) {
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    port.Read(bytes.data(), count);
    journal.Add("RxChar " + bytes);
  });
  for (int loss = 1; loss <= 2; ++loss) {
    SCOPED_TRACE(loss);
    sim.Unplug();
    EXPECT_EQ(UntilClosed(), kLossThenClose);
    EXPECT_FALSE(sim.IsOpen());
    sim.Plug();
    port.Open();
    sim.Feed("ok");
    EXPECT_TRUE(PumpUntil([&] { return journal.Has("RxChar ok"); }));
    journal.Take();
  }
}

TEST_P(DeviceLossTest, AHandlerThatMeetsTheLossFirstLeavesTheOneReportToTheThread) {
  // The bytes' handler finds the device gone as it asks for the queue count
  // (which a device that has hung up may refuse).
  port.SetOnRxChar([&](TObject*, std::int32_t) {
    sim.Unplug();
    sim.FailAlways(comm::sim::SimCall::ClearCommError, comm::kErrDeviceGone);
    port.InputQueueCount();
  });
  sim.Feed("x");
  EXPECT_EQ(UntilClosed(), "link rx on|" + kLossThenClose);
  EXPECT_TRUE(shownSystemErrors.empty());
}

TEST_P(DeviceLossTest, WithoutAHandlerItIsShownAndAnOwnerMayCloseAfterIt) {
  port.SetOnDeviceLost(nullptr);
  app.OnExceptionShown = [&](const std::string& text) {
    journal.Add(text);
    port.Close();  // as a program that closes its port on any error
  };
  sim.Unplug();
  const std::string lines = UntilClosed();
  EXPECT_TRUE(lines.starts_with("COM Port Error: WaitForEvent method failed on SIM1|")) << lines;
  EXPECT_EQ(lines.find("AfterClose"), lines.rfind("AfterClose")) << lines;
}

TEST_P(DeviceLossTest, AnOwnerThatClosesAsTheLossIsHandedOverHearsNothingOfIt) {
  const int before = wakeups;
  sim.Unplug();
  // The loss is on its way (the main loop's wait finds it only as the loop
  // runs, after this Close).
  if (!GetParam().inMainLoop) {
    ASSERT_TRUE(WaitUntil([&] { return wakeups > before; }));
  }
  port.Close();
  MainThread::RunPending();
  for (const std::string& line : journal.Take()) EXPECT_FALSE(line.starts_with("lost")) << line;
  EXPECT_EQ(TComEventWait::Count(), 0);
}

TEST_P(DeviceLossTest, ADeviceGoneErrorOfAnotherPortInAHandlerIsShownAndThisPortStaysOpen) {
  // The handler writes to a second port whose adapter was pulled.
  comm::sim::SimPort otherSim{"SIM2"};
  TComPort other{nullptr};
  other.SetPort("SIM2");
  other.SetEvents({});
  other.Open();
  otherSim.FailAlways(comm::sim::SimCall::WriteFile, comm::kErrDeviceGone);
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    port.Read(bytes.data(), count);
    journal.Add("RxChar " + bytes);
    if (bytes == "x") other.Write("?", 1);
  });
  sim.Feed("x");
  ASSERT_TRUE(PumpUntil([&] { return !shownSystemErrors.empty(); }));
  sim.Feed("y");
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("RxChar y"); }));
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(shownSystemErrors,
            (std::vector<std::pair<int, std::int32_t>>{{ecWriteFailed, comm::kErrDeviceGone}}));
  for (const std::string& line : journal.Take()) EXPECT_FALSE(line.starts_with("lost")) << line;
  other.Close();
}

// A port that a worker thread opens with its handlers on the event thread:
// the loss is reported there and the port closes itself without the main
// thread, which here never runs its loop; the owner's own Close may come
// before, during or after the report. Many rounds, for the sanitizers.
using WorkerOwnedPortTest = EventTest;

TEST_F(WorkerOwnedPortTest, ALossIsReportedAndClosedWithoutTheMainThread) {
  comm::sim::SimPort sim{"SIM3"};
  std::atomic<int> hung{0}, wrong{0};
  for (int round = 0; round < 300 && hung == 0 && wrong == 0; ++round) {
    std::atomic<bool> done{false};
    std::thread owner([&] {
      TComPort port(nullptr);
      port.SetPort("SIM3");
      port.SetSyncMethod(smNone);
      std::atomic<int> reports{0};
      port.SetOnDeviceLost([&](TObject*, const EComPortExt&) { ++reports; });
      port.Open();
      sim.Unplug();
      if (round % 2 == 0) {
        // The port closes itself: the thread is gone once it has.
        if (!WaitUntil([] { return TComEventWait::Count() == 0; }, std::chrono::seconds(5))) {
          ++hung;
        } else if (port.Connected() || reports != 1) {
          ++wrong;
        }
      }
      port.Close();
      if (port.Connected() || reports > 1) ++wrong;
      done = true;
    });
    if (!WaitUntil([&] { return done.load(); }, std::chrono::seconds(5))) ++hung;
    PumpUntil([&] { return done.load(); });  // lets an old hang end
    owner.join();
    sim.Plug();
  }
  EXPECT_EQ(hung, 0);
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(journal.Lines().empty());  // nothing reached the main thread
}

std::string ModeName(const ::testing::TestParamInfo<HandOver>& info) {
  static const char* const names[] = {"ThreadSync", "WindowSync", "None"};
  return std::string(names[info.param.syncMethod]) + (info.param.inMainLoop ? "InMainLoop" : "");
}

INSTANTIATE_TEST_SUITE_P(EachHandOver, DeviceLossTest,
                         ::testing::Values(HandOver{smThreadSync, false},
                                           HandOver{smWindowSync, false}, HandOver{smNone, false},
                                           HandOver{smThreadSync, true}),
                         ModeName);

}  // namespace
