// Opening, handles and the event wait of the simulated device.
#include <gtest/gtest.h>

#include <thread>

#include "SimFixture.h"
#include "platform/serial/DeviceRegistry.h"

namespace comm::testing {
namespace {

TEST(SimOpen, OpensByNameWithOrWithoutPrefixInAnyLetterCase) {
  sim::SimPort port("SIMOPEN");
  Device device = Device::Open("\\\\.\\simopen");
  ASSERT_TRUE(device.Valid());
  EXPECT_EQ(device.Name(), "SIMOPEN");
  EXPECT_TRUE(device.CloseHandle());
  EXPECT_TRUE(Device::Open("SimOpen").CloseHandle());
  EXPECT_EQ(port.OpenCount(), 2);
}

TEST(SimOpen, SecondOpenIsRefusedAsBusyUntilTheFirstCloses) {
  sim::SimPort port("SIMOPEN");
  Device first = Device::Open("SIMOPEN");
  Device second = Device::Open("SIMOPEN");
  EXPECT_FALSE(second.Valid());
  EXPECT_EQ(GetLastError(), kErrDeviceBusy);
  first.CloseHandle();
  EXPECT_TRUE(Device::Open("SIMOPEN").Valid());
}

TEST(SimOpen, DroppingTheLastHandleClosesTheDevice) {
  sim::SimPort port("SIMOPEN");
  { Device device = Device::Open("SIMOPEN"); }
  EXPECT_FALSE(port.IsOpen());
}

TEST(SimOpen, NameCanBeRegisteredOnlyOnce) {
  sim::SimPort port("SIMOPEN");
  EXPECT_THROW(sim::SimPort("simopen"), std::logic_error);
  EXPECT_FALSE(DeviceRegistry::Register("SIMOPEN", [](std::int32_t*) { return nullptr; }));
}

TEST(SimOpen, InvalidAndClosedHandlesFailEveryCallWithBadHandle) {
  sim::SimPort port("SIMOPEN");
  Device closed = Device::Open("SIMOPEN");
  Device copy = closed;
  ASSERT_TRUE(closed.CloseHandle());
  for (Device device : {Device(), closed, copy}) {
    Op op;
    DWORD value;
    DCB dcb;
    COMMTIMEOUTS timeouts;
    EXPECT_FALSE(device.SetupComm(64, 64));
    EXPECT_EQ(GetLastError(), kErrBadHandle);
    EXPECT_FALSE(device.SetCommState(dcb));
    EXPECT_FALSE(device.GetCommState(&dcb));
    EXPECT_FALSE(device.SetCommTimeouts(timeouts));
    EXPECT_FALSE(device.GetCommTimeouts(&timeouts));
    EXPECT_FALSE(device.PurgeComm(PURGE_RXCLEAR));
    EXPECT_FALSE(device.ClearCommError(&value, nullptr));
    EXPECT_FALSE(device.GetCommModemStatus(&value));
    EXPECT_FALSE(device.SetCommMask(EV_RXCHAR));
    EXPECT_FALSE(device.GetCommMask(&value));
    EXPECT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
    EXPECT_EQ(GetLastError(), kErrBadHandle);
    EXPECT_FALSE(device.ReadFile(op.buffer, 1, &op.done, &op.ov));
    EXPECT_EQ(GetLastError(), kErrBadHandle);
    EXPECT_TRUE(op.Done());  // a waiter on a failed read is not left hanging
    EXPECT_FALSE(device.WriteFile("x", 1, &op.done, &op.ov));
    EXPECT_FALSE(device.CloseHandle());
    EXPECT_EQ(GetLastError(), kErrBadHandle);
  }
}

TEST(SimOpen, UnknownNameFailsWithNoSuchDevice) {
  EXPECT_FALSE(Device::Open("\\\\.\\NOSUCHPORT").Valid());
  EXPECT_EQ(GetLastError(), kErrNoDevice);
}

// The device layer's own failures carry the system's own numbers: a refused
// argument, a cancelled or timed-out transfer and a missing device never read
// as a device that has gone; the gone device does. (What a closed handle
// reads as is the system's choice: Windows takes it for a device gone.)
TEST(SystemErrors, OnlyTheGoneDeviceErrorReadsAsAGoneDevice) {
  for (std::int32_t error : {kErrInvalidArgument, kErrCancelled, kErrTimedOut, kErrNoDevice}) {
    EXPECT_FALSE(IsDeviceGoneError(error)) << SystemErrorText(error);
  }
  EXPECT_TRUE(IsDeviceGoneError(kErrDeviceGone));
}

// --- the event wait ----------------------------------------------------------

using SimEvents = SimFixture;

TEST_F(SimEvents, EventBeforeTheWaitCompletesTheNextWaitAtOnce) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  port.Feed("a");
  Op op;
  EXPECT_TRUE(device.WaitCommEvent(&op.mask, &op.ov));
  EXPECT_EQ(op.mask, EV_RXCHAR);
  EXPECT_TRUE(op.Done());
}

TEST_F(SimEvents, ReportedEventIsClearedSoUnreadBytesAreReportedAgainOnlyWithANewByte) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  port.Feed("ab");
  EXPECT_EQ(WaitEvents(), EV_RXCHAR);
  Op op;
  EXPECT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(op.Done());
  port.Feed("c");
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(op.mask, EV_RXCHAR);
  EXPECT_EQ(InQueue(), 3u);
}

TEST_F(SimEvents, PendingWaitIsCompletedByAnEventFromAnotherThread) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_CTS));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  std::thread far([&] { port.SetCTS(true); });
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(op.mask, EV_CTS);
  far.join();
}

TEST_F(SimEvents, SettingTheMaskCompletesAPendingWaitWithNoEvents) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  Op op;
  op.mask = 0xDEAD;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  ASSERT_TRUE(device.SetCommMask(0));
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(op.mask, 0u);
}

TEST_F(SimEvents, EventsOutsideTheMaskAreNeitherReportedNorRemembered) {
  ASSERT_TRUE(device.SetCommMask(EV_CTS));
  port.Feed("a");
  ASSERT_TRUE(device.SetCommMask(EV_CTS | EV_RXCHAR));
  Op op;
  EXPECT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  port.SetCTS(true);
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(op.mask, EV_CTS);
}

TEST_F(SimEvents, SecondWaitWhileOneIsPendingIsRefusedAndLeavesTheFirstAlone) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  Op first, second;
  ASSERT_FALSE(device.WaitCommEvent(&first.mask, &first.ov));
  EXPECT_FALSE(device.WaitCommEvent(&second.mask, &second.ov));
  EXPECT_EQ(GetLastError(), kErrInvalidArgument);
  EXPECT_FALSE(device.WaitCommEvent(&first.mask, &first.ov));
  EXPECT_EQ(GetLastError(), kErrInvalidArgument);
  port.Feed("x");
  DWORD unused;
  EXPECT_TRUE(Finish(first, &unused));
  EXPECT_EQ(first.mask, EV_RXCHAR);
}

TEST_F(SimEvents, WaitWithoutAMaskFailsAndLeavesItsEventReset) {
  Op op;  // created signalled
  EXPECT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  EXPECT_EQ(GetLastError(), kErrInvalidArgument);
  EXPECT_FALSE(op.Done());
  EXPECT_FALSE(device.SetCommMask(0x4000));
  EXPECT_EQ(GetLastError(), kErrInvalidArgument);
}

TEST_F(SimEvents, ReceivedBytesRaiseTheEventCharacterAndTheEightyPercentMark) {
  DCB dcb = port.Dcb();
  dcb.EvtChar = '\n';
  ASSERT_TRUE(device.SetCommState(dcb));
  ASSERT_TRUE(device.SetupComm(10, 10));
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_RXFLAG | EV_RX80FULL));
  port.Feed("abc");
  EXPECT_EQ(WaitEvents(), EV_RXCHAR);
  port.Feed("d\n");
  EXPECT_EQ(WaitEvents(), EV_RXCHAR | EV_RXFLAG);
  port.Feed("ef");  // 7 of 10
  EXPECT_EQ(WaitEvents(), EV_RXCHAR);
  port.Feed("g");  // 8 of 10
  EXPECT_EQ(WaitEvents(), EV_RXCHAR | EV_RX80FULL);
}

TEST_F(SimEvents, ModemLineChangesRaiseTheirEventsAndShowInTheStatus) {
  ASSERT_TRUE(device.SetCommMask(EV_CTS | EV_DSR | EV_RING | EV_RLSD));
  port.SetCTS(true);
  port.SetDSR(true);
  EXPECT_EQ(WaitEvents(), EV_CTS | EV_DSR);
  port.SetRLSD(true);
  EXPECT_EQ(WaitEvents(), EV_RLSD);
  port.SetRing(true);
  EXPECT_EQ(WaitEvents(), EV_RING);
  DWORD status = 0;
  ASSERT_TRUE(device.GetCommModemStatus(&status));
  EXPECT_EQ(status, MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
  port.SetRing(false);  // only a ring coming on is an event
  port.SetCTS(false);
  EXPECT_EQ(WaitEvents(), EV_CTS);
}

TEST_F(SimEvents, LineErrorsAndBreakRaiseEventsAndAreClearedByReadingThem) {
  ASSERT_TRUE(device.SetCommMask(EV_ERR | EV_BREAK | EV_RXCHAR));
  port.InjectErrors(CE_OVERRUN);
  EXPECT_EQ(WaitEvents(), EV_ERR);
  port.InjectErrors(CE_BREAK);
  EXPECT_EQ(WaitEvents(), EV_BREAK);
  port.FeedWithError('x', CE_FRAME);
  EXPECT_EQ(WaitEvents(), EV_ERR | EV_RXCHAR);
  DWORD errors = 0;
  COMSTAT stat;
  ASSERT_TRUE(device.ClearCommError(&errors, &stat));
  EXPECT_EQ(errors, CE_OVERRUN | CE_BREAK | CE_FRAME);
  EXPECT_EQ(stat.cbInQue, 1u);
  ASSERT_TRUE(device.ClearCommError(&errors, nullptr));
  EXPECT_EQ(errors, 0u);
  EXPECT_EQ(ReadNow(8), "x");
}

TEST_F(SimEvents, ParityErrorsStoreTheErrorCharacterOnlyWhenCheckingAndReplacing) {
  port.FeedWithError('a', CE_RXPARITY);
  DCB dcb = port.Dcb();
  dcb.fParity = true;
  dcb.fErrorChar = true;
  dcb.ErrorChar = '?';
  ASSERT_TRUE(device.SetCommState(dcb));
  port.FeedWithError('b', CE_RXPARITY);
  port.FeedWithError('c', CE_FRAME);
  EXPECT_EQ(ReadNow(8), "a?c");
}

TEST_F(SimEvents, DiscardNullDropsNulBytesWithoutAnEvent) {
  DCB dcb = port.Dcb();
  dcb.fNull = true;
  dcb.EvtChar = 'z';
  ASSERT_TRUE(device.SetCommState(dcb));
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  port.Feed(std::string("\0\0", 2));
  Op op;
  EXPECT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  port.Feed(std::string("a\0b", 3));
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(ReadNow(8), "ab");
}

TEST_F(SimEvents, CloseReleasesAThreadWaitingForTheEvent) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  bool result = true;
  std::int32_t error = 0;
  std::thread waiter([&] {
    DWORD unused;
    result = device.GetOverlappedResult(&op.ov, &unused, true);
    error = GetLastError();
  });
  EXPECT_TRUE(device.CloseHandle());
  waiter.join();
  EXPECT_FALSE(result);
  EXPECT_EQ(error, kErrCancelled);
}

}  // namespace
}  // namespace comm::testing
