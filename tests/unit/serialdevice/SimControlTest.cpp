// The test controls of the simulated device: failures on demand, unplugging,
// the call log and what the device was told.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SimFixture.h"
#include "platform/serial/OpenFailure.h"

namespace comm::testing {
namespace {

using sim::SimCall;
using ::testing::ElementsAre;

using SimFailures = SimFixture;

TEST_F(SimFailures, FailNextFailsOnceWithTheChosenError) {
  port.FailNext(SimCall::SetCommTimeouts, kErrInvalidArgument);
  EXPECT_FALSE(device.SetCommTimeouts({}));
  EXPECT_EQ(GetLastError(), kErrInvalidArgument);
  EXPECT_TRUE(device.SetCommTimeouts({}));
}

TEST_F(SimFailures, FailAlwaysHoldsUntilCleared) {
  port.FailAlways(SimCall::GetCommModemStatus, kErrDeviceGone);
  DWORD status;
  EXPECT_FALSE(device.GetCommModemStatus(&status));
  EXPECT_FALSE(device.GetCommModemStatus(&status));
  EXPECT_EQ(GetLastError(), kErrDeviceGone);
  port.ClearFailures();
  EXPECT_TRUE(device.GetCommModemStatus(&status));
}

TEST_F(SimFailures, FailedTransfersCompleteTheirBlockWithTheError) {
  port.FailNext(SimCall::ReadFile, EFAULT);
  port.FailNext(SimCall::WriteFile, ENOSPC);
  Op read, write;
  EXPECT_FALSE(device.ReadFile(read.buffer, 4, &read.done, &read.ov));
  EXPECT_FALSE(device.WriteFile("ab", 2, &write.done, &write.ov));
  DWORD transferred;
  EXPECT_FALSE(Finish(read, &transferred));
  EXPECT_EQ(GetLastError(), EFAULT);
  EXPECT_FALSE(Finish(write, &transferred));
  EXPECT_EQ(GetLastError(), ENOSPC);
  EXPECT_EQ(port.Written(), "");
}

TEST_F(SimFailures, FailedWaitLeavesItsEventReset) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  port.FailNext(SimCall::WaitCommEvent, kErrDeviceGone);
  Op op;
  EXPECT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  EXPECT_EQ(GetLastError(), kErrDeviceGone);
  EXPECT_FALSE(op.Done());
}

TEST(SimFailOpen, OpenFailsWithTheChosenError) {
  sim::SimPort port("SIMFAIL");
  port.FailNext(SimCall::CreateFile, kErrDeviceBusy);
  EXPECT_FALSE(Device::Open("SIMFAIL").Valid());
  EXPECT_EQ(GetLastError(), kErrDeviceBusy);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(Device::Open("SIMFAIL").Valid());
}

TEST(SimFailOpen, FailedCloseStillReleasesTheDevice) {
  sim::SimPort port("SIMFAIL");
  Device device = Device::Open("SIMFAIL");
  port.FailNext(SimCall::CloseHandle, EINTR);
  EXPECT_FALSE(device.CloseHandle());
  EXPECT_EQ(GetLastError(), EINTR);
  EXPECT_FALSE(port.IsOpen());
}

using SimUnplug = SimFixture;

TEST_F(SimUnplug, PendingOperationsEndWithAnErrorThatSaysTheDeviceIsGone) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  SetTimeouts(0, 0, 0);
  port.HoldOutput(true);
  Op wait, read, write;
  ASSERT_FALSE(device.WaitCommEvent(&wait.mask, &wait.ov));
  ASSERT_FALSE(StartRead(read, 4));
  ASSERT_FALSE(device.WriteFile("abc", 3, &write.done, &write.ov));
  port.Unplug();
  DWORD transferred;
  for (Op* op : {&wait, &read, &write}) {
    EXPECT_FALSE(Finish(*op, &transferred));
    EXPECT_EQ(GetLastError(), kErrDeviceGone);
    EXPECT_TRUE(IsDeviceGoneError(GetLastError()));
  }
}

TEST_F(SimUnplug, LaterCallsFailButBytesReceivedBeforeCanStillBeRead) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  port.Feed("ab");
  port.Unplug();
  EXPECT_EQ(InQueue(), 2u);
  EXPECT_EQ(ReadNow(8), "ab");
  COMSTAT stat;
  EXPECT_FALSE(device.ClearCommError(nullptr, &stat));
  EXPECT_EQ(GetLastError(), kErrDeviceGone);
  Op op;
  EXPECT_FALSE(device.ReadFile(op.buffer, 1, &op.done, &op.ov));
  EXPECT_FALSE(device.WriteFile("x", 1, &op.done, &op.ov));
  EXPECT_EQ(GetLastError(), kErrDeviceGone);
  DCB dcb = port.Dcb();
  EXPECT_FALSE(device.SetCommState(dcb));
  // A loop that re-arms its wait finds the event reset and sleeps.
  Op wait;
  EXPECT_FALSE(device.WaitCommEvent(&wait.mask, &wait.ov));
  EXPECT_FALSE(wait.Done());
  // What closing needs keeps working.
  EXPECT_TRUE(device.PurgeComm(PURGE_TXABORT | PURGE_RXABORT));
  EXPECT_TRUE(device.SetCommMask(0));
  EXPECT_TRUE(device.CloseHandle());
}

TEST(SimUnplugOpen, UnpluggedDeviceCannotBeOpenedUntilPluggedIn) {
  sim::SimPort port("SIMPLUG");
  port.Unplug();
  EXPECT_FALSE(Device::Open("SIMPLUG").Valid());
  EXPECT_EQ(GetLastError(), kErrNoDevice);
  EXPECT_EQ(OpenFailureCause("SIMPLUG", GetLastError()), "SIMPLUG is unplugged");
  port.Plug();
  Device device = Device::Open("SIMPLUG");
  EXPECT_TRUE(device.Valid());
  EXPECT_FALSE(Device::Open("SIMPLUG").Valid());
  EXPECT_EQ(OpenFailureCause("SIMPLUG", GetLastError()), "SIMPLUG is already open in this program");
}

using SimInspect = SimFixture;

TEST_F(SimInspect, LogsTheCallsInOrderWithTheirArguments) {
  port.ClearCalls();
  device.SetupComm(1024, 512);
  DCB dcb = port.Dcb();
  device.SetCommState(dcb);
  device.SetCommTimeouts({MAXDWORD, 0, 0, 0, 1000});
  device.SetCommMask(0x05FF);
  Op op;
  device.WriteFile("0123456789", 10, &op.done, &op.ov);
  device.ReadFile(op.buffer, 8, &op.done, &op.ov);
  device.PurgeComm(PURGE_TXABORT | PURGE_RXABORT);
  device.CloseHandle();
  EXPECT_THAT(port.Calls(), ElementsAre("SetupComm(1024,512)", "SetCommState", "SetCommTimeouts",
                                        "SetCommMask(0x05FF)", "WriteFile(10)", "ReadFile(8)",
                                        "PurgeComm(0x0003)", "CloseHandle"));
  EXPECT_EQ(port.CountCalls(SimCall::SetCommMask), 1u);
}

TEST_F(SimInspect, ShowsWhatTheDeviceWasToldLast) {
  DCB dcb = port.Dcb();
  dcb.BaudRate = 115200;
  dcb.fDtrControl = 1;
  dcb.fRtsControl = 0;
  ASSERT_TRUE(device.SetCommState(dcb));
  ASSERT_TRUE(device.SetupComm(2048, 1024));
  const COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 10, 1000};
  ASSERT_TRUE(device.SetCommTimeouts(timeouts));
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_ERR));
  EXPECT_EQ(port.Dcb().BaudRate, 115200u);
  EXPECT_EQ(port.InputSize(), 2048u);
  EXPECT_EQ(port.OutputSize(), 1024u);
  EXPECT_EQ(port.Timeouts(), timeouts);
  EXPECT_EQ(port.Mask(), EV_RXCHAR | EV_ERR);
  EXPECT_TRUE(port.DTR());
  EXPECT_FALSE(port.RTS());
  device.CloseHandle();
  EXPECT_FALSE(port.DTR());
  // The device keeps its settings for the next opening, as a real port does.
  Device again = Device::Open("SIMTEST");
  DCB reopened;
  ASSERT_TRUE(again.GetCommState(&reopened));
  EXPECT_EQ(reopened.BaudRate, 115200u);
  again.CloseHandle();
}

TEST_F(SimInspect, WaitForWrittenSeesBytesWrittenByAnotherThread) {
  std::thread writer([&] {
    Op op;
    device.WriteFile("hello", 5, &op.done, &op.ov);
  });
  EXPECT_TRUE(port.WaitForWritten(5, std::chrono::seconds(10)));
  writer.join();
  EXPECT_EQ(port.TakeWritten(), "hello");
  EXPECT_EQ(port.Written(), "");
}

}  // namespace
}  // namespace comm::testing
