// Reads and writes of the simulated device: time-outs, flow, purge, queue size.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SimFixture.h"

namespace comm::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using SimRead = SimFixture;

TEST_F(SimRead, ImmediateTimeoutsReturnWhatHasArrivedPossiblyNothing) {
  SetTimeouts(MAXDWORD, 0, 0);
  Op op;
  op.buffer[0] = '\xFF';
  EXPECT_TRUE(StartRead(op, 8));
  EXPECT_EQ(op.done, 0u);
  EXPECT_TRUE(op.Done());
  port.Feed("abc");
  EXPECT_TRUE(StartRead(op, 8));
  EXPECT_EQ(std::string(op.buffer, op.done), "abc");
  DWORD transferred = 0;
  EXPECT_TRUE(device.GetOverlappedResult(&op.ov, &transferred, false));
  EXPECT_EQ(transferred, 3u);
}

TEST_F(SimRead, WithoutTimeoutsAReadWaitsForTheWholeCount) {
  SetTimeouts(0, 0, 0);
  Op op;
  port.Feed("ab");
  ASSERT_FALSE(StartRead(op, 4));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  DWORD transferred = 0;
  EXPECT_FALSE(device.GetOverlappedResult(&op.ov, &transferred, false));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  EXPECT_EQ(InQueue(), 2u);  // a pending read takes nothing until it completes
  std::thread far([&] { port.Feed("cdef"); });
  EXPECT_TRUE(device.GetOverlappedResult(&op.ov, &transferred, true));
  far.join();
  EXPECT_EQ(std::string(op.buffer, transferred), "abcd");
  EXPECT_EQ(ReadNow(8), "ef");
}

TEST_F(SimRead, TotalTimeoutEndsTheReadWithWhatArrived) {
  SetTimeouts(0, 0, 40);
  port.Feed("ab");
  Op op;
  const auto start = Clock::now();
  ASSERT_FALSE(StartRead(op, 8));
  DWORD transferred = 0;
  EXPECT_TRUE(Finish(op, &transferred));
  EXPECT_GE(Clock::now() - start, milliseconds(40));
  EXPECT_EQ(std::string(op.buffer, transferred), "ab");
}

TEST_F(SimRead, IntervalTimeoutRunsFromTheLatestByte) {
  SetTimeouts(30, 0, 0);
  Op op;
  ASSERT_FALSE(StartRead(op, 8));
  Sleep(60);  // no byte yet: the interval does not run
  EXPECT_FALSE(op.Done());
  const auto fed = Clock::now();
  port.Feed("a");
  DWORD transferred = 0;
  EXPECT_TRUE(Finish(op, &transferred));
  EXPECT_GE(Clock::now() - fed, milliseconds(30));
  EXPECT_EQ(transferred, 1u);
}

TEST_F(SimRead, ReturnOnAnyWaitsForTheFirstBytesOnly) {
  SetTimeouts(MAXDWORD, MAXDWORD, 5000);
  Op op;
  ASSERT_FALSE(StartRead(op, 8));
  port.Feed("xy");
  DWORD transferred = 0;
  EXPECT_TRUE(Finish(op, &transferred));
  EXPECT_EQ(std::string(op.buffer, transferred), "xy");
  SetTimeouts(MAXDWORD, MAXDWORD, 20);
  ASSERT_FALSE(StartRead(op, 8));
  EXPECT_TRUE(Finish(op, &transferred));
  EXPECT_EQ(transferred, 0u);
}

TEST_F(SimRead, ReadsCompleteInTheOrderTheyWereStarted) {
  SetTimeouts(0, 0, 0);
  Op first, second;
  ASSERT_FALSE(StartRead(first, 2));
  ASSERT_FALSE(StartRead(second, 2));
  port.Feed("abc");
  DWORD n = 0;
  EXPECT_TRUE(Finish(first, &n));
  EXPECT_EQ(std::string(first.buffer, n), "ab");
  EXPECT_FALSE(second.Done());
  port.Feed("d");
  EXPECT_TRUE(Finish(second, &n));
  EXPECT_EQ(std::string(second.buffer, n), "cd");
}

TEST_F(SimRead, PurgeAbortEndsPendingReadsAndKeepsTheQueuedBytes) {
  SetTimeouts(0, 0, 0);
  port.Feed("ab");
  Op op;
  ASSERT_FALSE(StartRead(op, 8));
  ASSERT_TRUE(device.PurgeComm(PURGE_TXABORT | PURGE_RXABORT));
  DWORD transferred = 1;
  EXPECT_FALSE(Finish(op, &transferred));
  EXPECT_EQ(GetLastError(), kErrCancelled);
  EXPECT_EQ(transferred, 0u);
  EXPECT_EQ(ReadNow(8), "ab");
}

TEST_F(SimRead, PurgeClearEmptiesTheQueueAndWhatWaitsForRoom) {
  ASSERT_TRUE(device.SetupComm(4, 4));
  port.Feed("abcdefgh");
  EXPECT_EQ(port.Backlog(), 4u);
  ASSERT_TRUE(device.PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR));
  EXPECT_EQ(InQueue(), 0u);
  EXPECT_EQ(port.Backlog(), 0u);
  EXPECT_FALSE(device.PurgeComm(0x10));
  EXPECT_EQ(GetLastError(), kErrInvalidArgument);
}

TEST_F(SimRead, InputBeyondTheQueueSizeWaitsAndNothingIsLost) {
  ASSERT_TRUE(device.SetupComm(4, 4));
  port.Feed("0123456789");
  EXPECT_EQ(InQueue(), 4u);
  SetTimeouts(MAXDWORD, MAXDWORD, 10000);
  Op op;
  std::string received;
  while (received.size() < 10) {  // the rest moves in as reads make room
    const DWORD n = Transferred(op, StartRead(op, 3));
    ASSERT_GT(n, 0u);
    received.append(op.buffer, n);
  }
  EXPECT_EQ(received, "0123456789");
}

TEST_F(SimRead, HugeBufferSizesAreRefused) {
  EXPECT_FALSE(device.SetupComm(0xFFFFFFFD, 1024));
  EXPECT_EQ(GetLastError(), kErrInvalidArgument);
}

using SimWrite = SimFixture;

TEST_F(SimWrite, WriteCompletesWhenTheLineTookTheBytesAndThenReportsTxEmpty) {
  ASSERT_TRUE(device.SetCommMask(EV_TXEMPTY));
  Op op;
  EXPECT_TRUE(device.WriteFile("0123456789", 10, &op.done, &op.ov));
  EXPECT_EQ(op.done, 10u);
  EXPECT_TRUE(op.Done());
  EXPECT_EQ(port.Written(), "0123456789");
  EXPECT_EQ(WaitEvents(), EV_TXEMPTY);
}

TEST_F(SimWrite, HeldOutputKeepsTheWritePendingUntilReleased) {
  port.HoldOutput(true);
  Op op;
  ASSERT_FALSE(device.WriteFile("abc", 3, &op.done, &op.ov));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  COMSTAT stat;
  ASSERT_TRUE(device.ClearCommError(nullptr, &stat));
  EXPECT_EQ(stat.cbOutQue, 3u);
  std::thread far([&] { port.HoldOutput(false); });
  DWORD transferred = 0;
  EXPECT_TRUE(Finish(op, &transferred));
  far.join();
  EXPECT_EQ(transferred, 3u);
  EXPECT_EQ(port.Written(), "abc");
}

TEST_F(SimWrite, TotalWriteTimeoutFailsTheWrite) {
  ASSERT_TRUE(device.SetCommTimeouts({MAXDWORD, 0, 0, 1, 30}));
  port.HoldOutput(true);
  Op op;
  const auto start = Clock::now();
  ASSERT_FALSE(device.WriteFile("abc", 3, &op.done, &op.ov));
  DWORD transferred = 9;
  EXPECT_FALSE(Finish(op, &transferred));
  EXPECT_EQ(GetLastError(), kErrTimedOut);
  EXPECT_EQ(transferred, 0u);
  EXPECT_GE(Clock::now() - start, milliseconds(33));
}

TEST_F(SimWrite, CtsFlowControlHoldsOutputWhileCtsIsOff) {
  DCB dcb = port.Dcb();
  dcb.fOutxCtsFlow = true;
  dcb.fRtsControl = 2;
  ASSERT_TRUE(device.SetCommState(dcb));
  Op op;
  ASSERT_FALSE(device.WriteFile("abc", 3, &op.done, &op.ov));
  EXPECT_EQ(port.Written(), "");
  port.SetCTS(true);
  DWORD transferred = 0;
  EXPECT_TRUE(Finish(op, &transferred));
  EXPECT_EQ(port.Written(), "abc");
}

TEST_F(SimWrite, PurgeAbortEndsPendingWrites) {
  port.HoldOutput(true);
  Op first, second;
  ASSERT_FALSE(device.WriteFile("abc", 3, &first.done, &first.ov));
  ASSERT_FALSE(device.WriteFile("def", 3, &second.done, &second.ov));
  ASSERT_TRUE(device.PurgeComm(PURGE_TXABORT));
  DWORD transferred = 0;
  EXPECT_FALSE(Finish(first, &transferred));
  EXPECT_EQ(GetLastError(), kErrCancelled);
  EXPECT_FALSE(Finish(second, &transferred));
  port.HoldOutput(false);
  EXPECT_EQ(port.Written(), "");
}

TEST_F(SimWrite, AbortOnErrorEndsTransfersUntilTheErrorIsRead) {
  DCB dcb = port.Dcb();
  dcb.fAbortOnError = true;
  ASSERT_TRUE(device.SetCommState(dcb));
  SetTimeouts(0, 0, 0);
  Op op;
  ASSERT_FALSE(StartRead(op, 4));
  port.InjectErrors(CE_FRAME);
  DWORD transferred = 0;
  EXPECT_FALSE(Finish(op, &transferred));
  EXPECT_EQ(GetLastError(), kErrCancelled);
  EXPECT_FALSE(device.WriteFile("a", 1, &op.done, &op.ov));
  EXPECT_EQ(GetLastError(), kErrCancelled);
  DWORD errors = 0;
  ASSERT_TRUE(device.ClearCommError(&errors, nullptr));
  EXPECT_EQ(errors, CE_FRAME);
  EXPECT_TRUE(device.WriteFile("a", 1, &op.done, &op.ov));
}

TEST_F(SimWrite, RefusedBlockLeavesTheDeviceOnItsPreviousSettings) {
  DCB before;
  ASSERT_TRUE(device.GetCommState(&before));
  DCB dcb = before;
  dcb.BaudRate = 19200;
  dcb.ByteSize = 8;
  dcb.StopBits = 1;  // 1.5 stop bits need 5 data bits
  EXPECT_FALSE(device.SetCommState(dcb));
  EXPECT_EQ(GetLastError(), kErrInvalidArgument);
  DCB after;
  ASSERT_TRUE(device.GetCommState(&after));
  EXPECT_EQ(after, before);
  EXPECT_EQ(port.Dcb(), before);
}

}  // namespace
}  // namespace comm::testing
