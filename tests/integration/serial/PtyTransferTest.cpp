// Data, time-outs, events, purge, close and hang-up on a real pty.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "PtyFixture.h"

namespace comm::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using PtyRead = PtyFixture;

TEST_F(PtyRead, ImmediateTimeoutsReturnWhatHasArrivedPossiblyNothing) {
  EXPECT_EQ(ReadNow(8), "");
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  pty.Write("abc");
  WaitEvents();  // the bytes are in the device's queue now
  EXPECT_EQ(InQueue(), 3u);
  EXPECT_EQ(ReadNow(8), "abc");
}

TEST_F(PtyRead, TotalTimeoutEndsTheReadWithWhatArrived) {
  SetTimeouts(0, 0, 50);
  pty.Write("ab");
  Op op;
  const auto start = Clock::now();
  const DWORD n = Transferred(op, StartRead(op, 8));
  EXPECT_GE(Clock::now() - start, milliseconds(50));
  EXPECT_EQ(std::string(op.buffer, n), "ab");
}

TEST_F(PtyRead, ReadWithoutTimeoutsCompletesWhenTheCountHasArrived) {
  SetTimeouts(0, 0, 0);
  Op op;
  ASSERT_FALSE(StartRead(op, 6));
  pty.Write("abc");
  pty.Write("defgh");
  DWORD n = 0;
  EXPECT_TRUE(Finish(op, &n));
  EXPECT_EQ(std::string(op.buffer, n), "abcdef");
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  EXPECT_EQ(ReadNow(8), "gh");
}

TEST_F(PtyRead, IntervalTimeoutEndsTheReadAfterAGap) {
  SetTimeouts(40, 0, 0);
  Op op;
  ASSERT_FALSE(StartRead(op, 8));
  pty.Write("x");
  DWORD n = 0;
  EXPECT_TRUE(Finish(op, &n));
  EXPECT_EQ(std::string(op.buffer, n), "x");
}

TEST_F(PtyRead, PurgeAbortReleasesAPendingRead) {
  SetTimeouts(0, 0, 0);
  Op op;
  ASSERT_FALSE(StartRead(op, 8));
  std::thread other([&] { device.PurgeComm(PURGE_TXABORT | PURGE_RXABORT); });
  DWORD n = 0;
  EXPECT_FALSE(Finish(op, &n));
  EXPECT_EQ(GetLastError(), kErrCancelled);
  other.join();
}

TEST_F(PtyRead, PurgeClearEmptiesTheInputQueue) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  pty.Write("abc");
  WaitEvents();
  ASSERT_TRUE(device.PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR));
  EXPECT_EQ(InQueue(), 0u);
}

using PtyTransfer = PtyFixture;

TEST_F(PtyTransfer, WrittenBytesArriveAtTheFarEndAndBack) {
  Op op;
  EXPECT_EQ(Transferred(op, device.WriteFile("hello\n", 6, &op.done, &op.ov)), 6u);
  EXPECT_EQ(pty.Read(6), "hello\n");  // raw: no newline translation
  // Every byte value comes through, FF and NUL included.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  pty.Write(all);
  SetTimeouts(0, 0, 0);
  Op read;
  const DWORD n = Transferred(read, StartRead(read, 256));
  EXPECT_EQ(std::string(read.buffer, n), all);
}

TEST_F(PtyTransfer, LargeTransfersBothWaysLoseNothing) {
  std::string out(200000, '\0');
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(i * 7 % 251);
  std::string farEnd;
  std::thread reader([&] { farEnd = pty.Read(out.size()); });
  Op write;
  const DWORD size = static_cast<DWORD>(out.size());
  EXPECT_EQ(Transferred(write, device.WriteFile(out.data(), size, &write.done, &write.ov)), size);
  reader.join();
  EXPECT_TRUE(farEnd == out);

  // A queue smaller than the stream: the rest waits in the kernel until there is room.
  ASSERT_TRUE(device.SetupComm(1024, 1024));
  std::thread writer([&] { pty.Write(out); });
  SetTimeouts(MAXDWORD, MAXDWORD, 10000);
  std::string in;
  while (in.size() < out.size()) {
    Op read;
    const DWORD got = Transferred(read, StartRead(read, sizeof read.buffer));
    ASSERT_GT(got, 0u);
    in.append(read.buffer, got);
  }
  writer.join();
  EXPECT_TRUE(in == out);
}

TEST_F(PtyTransfer, TheInputQueueTakesAStreamWhateverSmallSizeWasAsked) {
  ASSERT_TRUE(device.SetupComm(1024, 1024));
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  const std::string stream(32768, 's');
  std::thread writer([&] { pty.Write(stream); });
  // Each arrival raises an event; a queue that stopped at 1 KiB would raise none.
  while (InQueue() < stream.size()) ASSERT_EQ(WaitEvents(), EV_RXCHAR);
  writer.join();
  EXPECT_EQ(InQueue(), stream.size());
}

TEST_F(PtyTransfer, WriteReportsTheTransmitQueueRunningEmpty) {
  ASSERT_TRUE(device.SetCommMask(EV_TXEMPTY));
  Op op;
  EXPECT_EQ(Transferred(op, device.WriteFile("abc", 3, &op.done, &op.ov)), 3u);
  EXPECT_EQ(WaitEvents(), EV_TXEMPTY);
}

using PtyEvents = PtyFixture;

TEST_F(PtyEvents, WaitIsWokenByReceivedBytes) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_RXFLAG));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  pty.Write("a");
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(op.mask & EV_RXCHAR, EV_RXCHAR);
}

TEST_F(PtyEvents, WaitIsWokenByTheEventCharacter) {
  DCB dcb = State();
  dcb.EvtChar = '\r';
  ASSERT_TRUE(device.SetCommState(dcb));
  ASSERT_TRUE(device.SetCommMask(EV_RXFLAG));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  pty.Write("abc");
  pty.Write("\r");
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(op.mask, EV_RXFLAG);
}

TEST_F(PtyEvents, WaitIsReleasedByClearingTheMaskFromAnotherThread) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  std::thread other([&] { device.SetCommMask(0); });
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(op.mask, 0u);
  other.join();
}

TEST_F(PtyEvents, CloseReleasesAWaiter) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  std::thread waiter([&] {
    DWORD unused;
    EXPECT_FALSE(device.GetOverlappedResult(&op.ov, &unused, true));
    EXPECT_EQ(GetLastError(), kErrCancelled);
  });
  EXPECT_TRUE(device.CloseHandle());
  waiter.join();
}

// A thread that sleeps on a pending wait reads the line itself; one that
// waits for the same completion alongside it must be released as well.
TEST_F(PtyEvents, EveryThreadWaitingForTheSameWaitIsReleased) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  auto waiter = [&] { EXPECT_EQ(WaitForSingleObject(op.ov.hEvent, 10000), WAIT_OBJECT_0); };
  std::thread first(waiter);
  std::thread second(waiter);
  Sleep(20);  // both most likely asleep; the test holds either way
  pty.Write("a");
  first.join();
  second.join();
  DWORD unused;
  EXPECT_TRUE(device.GetOverlappedResult(&op.ov, &unused, false));
  EXPECT_EQ(op.mask, EV_RXCHAR);
  EXPECT_EQ(ReadNow(8), "a");
}

// A wait that ends for another reason (here its mask is cleared) hands the
// line back: what arrives afterwards is still taken into the input queue.
TEST_F(PtyEvents, BytesAfterASleptOnWaitEndedStillReachTheQueue) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  std::thread other([&] {
    Sleep(20);
    device.SetCommMask(EV_RXCHAR);
  });
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
  EXPECT_EQ(op.mask, 0u);
  other.join();
  pty.Write("late");
  for (int waited = 0; InQueue() < 4 && waited < 10000; ++waited) Sleep(1);
  EXPECT_EQ(InQueue(), 4u);
  EXPECT_EQ(WaitEvents(), EV_RXCHAR);  // raised while nobody waited
}

// CPU time of this process, to see that no thread spins.
std::chrono::microseconds CpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

TEST_F(PtyEvents, FarEndHangUpEndsTheWaitAndLaterCallsWithoutSpinning) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  pty.Write("last");
  Op wait;
  DWORD unused;
  EXPECT_EQ(WaitEvents(), EV_RXCHAR);
  ASSERT_FALSE(device.WaitCommEvent(&wait.mask, &wait.ov));
  pty.HangUp();
  EXPECT_FALSE(Finish(wait, &unused));
  EXPECT_TRUE(IsDeviceGoneError(GetLastError()));
  // What arrived before the hang-up is still there; then every call fails.
  EXPECT_EQ(ReadNow(8), "last");
  Op op;
  EXPECT_FALSE(device.WriteFile("x", 1, &op.done, &op.ov));
  EXPECT_TRUE(IsDeviceGoneError(GetLastError()));
  EXPECT_FALSE(device.WaitCommEvent(&wait.mask, &wait.ov));
  EXPECT_FALSE(wait.Done());  // a loop that re-arms the wait sleeps
  const auto before = CpuTime();
  Sleep(300);
  EXPECT_LT(CpuTime() - before, milliseconds(100));
  EXPECT_TRUE(device.PurgeComm(PURGE_TXABORT | PURGE_RXABORT));
  EXPECT_TRUE(device.CloseHandle());
}

// Voluntary context switches of the device's I/O thread.
long IoThreadSwitches() {
  long total = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream nameFile(task.path() / "comm");
    std::string name;
    if (!std::getline(nameFile, name) || name != "comm-io") continue;
    std::ifstream status(task.path() / "status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(24));
    }
  }
  return total;
}

TEST_F(PtyEvents, IdleOpenDeviceWakesNobody) {
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));
  Op op;
  ASSERT_FALSE(device.WaitCommEvent(&op.mask, &op.ov));
  Sleep(50);
  const long before = IoThreadSwitches();
  Sleep(300);
  EXPECT_EQ(IoThreadSwitches(), before);
  ASSERT_TRUE(device.SetCommMask(0));  // the wait ends before its block goes
  DWORD unused;
  EXPECT_TRUE(Finish(op, &unused));
}

}  // namespace
}  // namespace comm::testing
