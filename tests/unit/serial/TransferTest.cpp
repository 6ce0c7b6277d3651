// Reads, writes and line status on the simulated device, with the link
// notices they send and every failure they raise.
#include "tests/unit/serial/SimPortFixture.h"

namespace {

using comm::sim::SimCall;

class TransferTest : public SimPortTest {
 protected:
  void SetUp() override {
    SimPortTest::SetUp();
    link.OnTxActive = [this](TObject*, bool on) { notices.push_back(on ? "tx on" : "tx off"); };
    link.OnRxActive = [this](TObject*, bool on) { notices.push_back(on ? "rx on" : "rx off"); };
    link.OnTxData = [this](TObject* sender, const void* buffer, std::int32_t count) {
      EXPECT_EQ(sender, &port);
      notices.push_back("tx data " + std::string(static_cast<const char*>(buffer), count));
    };
    port.RegisterLink(&link);
  }
  void TearDown() override { port.UnregisterLink(&link); }

  TComLink link;
  std::vector<std::string> notices;
};

// Writing --------------------------------------------------------------------

TEST_F(TransferTest, WriteSendsTheBytesAndHandsThemToTheLinks) {
  OpenPort();
  EXPECT_EQ(port.Write("0123456789", 10), 10);
  EXPECT_EQ(sim.Written(), "0123456789");
  EXPECT_EQ(notices, (std::vector<std::string>{"tx on", "tx data 0123456789"}));
}

TEST_F(TransferTest, WaitForAsyncGivesTheLinksTheBytesHandedToTheWrite) {
  OpenPort();
  char frame[] = "ABCD";
  PAsyncRecord record;
  CreateAsyncRecord(record);
  port.WriteAsync(frame, 4, record);
  frame[0] = 'X';  // the record keeps its own copy for the links
  EXPECT_EQ(port.WaitForAsync(record), 4);
  FreeAsyncRecord(record);
  EXPECT_EQ(record, nullptr);
  EXPECT_EQ(notices.back(), "tx data ABCD");
}

TEST_F(TransferTest, AWriteThatCannotStartRaisesCode2) {
  ExpectSystemError([&] { port.Write("x", 1); }, 2, comm::kErrBadHandle,
                    "COM Port Error: WriteFile function failed on SIM1");
  OpenPort();
  sim.FailNext(SimCall::WriteFile, comm::kErrDeviceGone);
  ExpectSystemError([&] { port.Write("x", 1); }, 2, comm::kErrDeviceGone,
                    "COM Port Error: WriteFile function failed on SIM1");
  ExpectSystemError([&] { port.Write("x", -1); }, 2, comm::kErrInvalidArgument,
                    "COM Port Error: WriteFile function failed on SIM1");
  EXPECT_EQ(sim.Written(), "");
  EXPECT_TRUE(notices.empty());
}

TEST_F(TransferTest, AbortingEndsAPendingWriteWithCode2) {
  OpenPort();
  sim.HoldOutput(true);
  PAsyncRecord record;
  CreateAsyncRecord(record);
  EXPECT_EQ(port.WriteAsync("held", 4, record), 0);  // pending
  port.AbortPendingIO();
  ExpectSystemError([&] { port.WaitForAsync(record); }, 2, comm::kErrCancelled,
                    "COM Port Error: WriteFile function failed on SIM1");
  EXPECT_EQ(notices, std::vector<std::string>{"tx on"});
}

TEST_F(TransferTest, EveryRecordOperationRefusesAMissingRecordFirst) {
  OpenPort();
  PAsyncRecord none;
  char buffer[4] = {1, 2, 3, 4};
  ExpectPortError([&] { port.WriteAsync("abc", 3, none); }, 4,
                  "SIM1 Error: Invalid Async parameter");
  ExpectPortError([&] { port.ReadAsync(buffer, 4, none); }, 4,
                  "SIM1 Error: Invalid Async parameter");
  ExpectPortError([&] { port.WaitForAsync(none); }, 4, "SIM1 Error: Invalid Async parameter");
  EXPECT_EQ(sim.CountCalls(SimCall::WriteFile) + sim.CountCalls(SimCall::ReadFile), 0u);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_TRUE(notices.empty());
}

// Reading --------------------------------------------------------------------

TEST_F(TransferTest, ReadTakesWhatIsQueuedAndReportsTheQueueEmptyOnlyWhenItIs) {
  OpenPort();
  sim.Feed("hello");
  char buffer[8] = {};
  EXPECT_EQ(port.Read(buffer, 2), 2);
  EXPECT_EQ(std::string(buffer, 2), "he");
  EXPECT_TRUE(notices.empty());  // three bytes still wait
  EXPECT_EQ(port.Read(buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "llo");
  EXPECT_EQ(notices, std::vector<std::string>{"rx off"});
}

TEST_F(TransferTest, ReadWithNothingQueuedReturnsZeroAndMarksTheBuffer) {
  OpenPort();
  unsigned char buffer[4] = {1, 2, 3, 4};
  EXPECT_EQ(port.Read(buffer, 4), 0);
  EXPECT_EQ(buffer[0], 0xFF);
  EXPECT_EQ(buffer[1], 2);
  // A read of nothing leaves the caller's memory alone: an empty buffer
  // has no first byte to mark.
  EXPECT_EQ(port.Read(buffer + 1, 0), 0);
  EXPECT_EQ(buffer[1], 2);
}

// A read the device refuses to start is not reported by ReadAsync; Read then
// raises code 3 with the device's reason at once instead of waiting.
TEST_F(TransferTest, AReadTheDeviceRefusesRaisesCode3WithoutWaiting) {
  OpenPort();
  sim.FailNext(SimCall::ReadFile, comm::kErrDeviceGone);
  unsigned char buffer[4] = {};
  PAsyncRecord record;
  CreateAsyncRecord(record);
  EXPECT_EQ(port.ReadAsync(buffer, 4, record), 0);
  EXPECT_EQ(buffer[0], 0xFF);
  ExpectSystemError([&] { port.WaitForAsync(record); }, 3, comm::kErrDeviceGone,
                    "COM Port Error: ReadFile function failed on SIM1");

  sim.FailNext(SimCall::ReadFile, comm::kErrDeviceGone);
  ExpectSystemError([&] { port.Read(buffer, 4); }, 3, comm::kErrDeviceGone,
                    "COM Port Error: ReadFile function failed on SIM1");
  port.Close();
  ExpectSystemError([&] { port.Read(buffer, 4); }, 3, comm::kErrBadHandle,
                    "COM Port Error: ReadFile function failed on SIM1");
  EXPECT_TRUE(notices.empty());
}

TEST_F(TransferTest, AbortingEndsAPendingReadWithCode3) {
  port.Timeouts().SetReadInterval(0);
  port.Timeouts().SetReadTotalConstant(60000);  // a read that waits
  OpenPort();
  char buffer[4];
  PAsyncRecord record;
  CreateAsyncRecord(record);
  EXPECT_EQ(port.ReadAsync(buffer, 4, record), 0);
  port.AbortPendingIO();
  ExpectSystemError([&] { port.WaitForAsync(record); }, 3, comm::kErrCancelled,
                    "COM Port Error: ReadFile function failed on SIM1");
}

TEST_F(TransferTest, AReadCanEndWithCode10WhenTheQueueCountFails) {
  OpenPort();
  sim.Feed("ab");
  sim.FailNext(SimCall::ClearCommError, comm::kErrDeviceGone);
  char buffer[2];
  ExpectSystemError([&] { port.Read(buffer, 2); }, 10, comm::kErrDeviceGone,
                    "COM Port Error: ClearCommError function failed on SIM1");
}

// Status ---------------------------------------------------------------------

TEST_F(TransferTest, StatusCallsRaiseTheirCodesWithTheSystemError) {
  OpenPort();
  sim.FailNext(SimCall::PurgeComm, comm::kErrDeviceGone);
  ExpectSystemError([&] { port.AbortPendingIO(); }, 5, comm::kErrDeviceGone,
                    "COM Port Error: PurgeComm function failed on SIM1");
  sim.FailNext(SimCall::ClearCommError, comm::kErrNoDevice);
  ExpectSystemError([&] { port.InputQueueCount(); }, 10, comm::kErrNoDevice,
                    "COM Port Error: ClearCommError function failed on SIM1");
  sim.FailNext(SimCall::ClearCommError, comm::kErrDeviceGone);
  ExpectSystemError([&] { port.ReadLineErrors(); }, 10, comm::kErrDeviceGone,
                    "COM Port Error: ClearCommError function failed on SIM1");
  sim.FailNext(SimCall::GetCommModemStatus, comm::kErrDeviceGone);
  ExpectSystemError([&] { port.ModemSignals(); }, 11, comm::kErrDeviceGone,
                    "COM Port Error: GetCommModemStatus function failed on SIM1");
}

TEST_F(TransferTest, AbortPendingIOKeepsTheQueuedBytes) {
  OpenPort();
  sim.Feed("abc");
  port.AbortPendingIO();
  EXPECT_EQ(sim.Calls(), std::vector<std::string>{"PurgeComm(0x0003)"});
  EXPECT_EQ(port.InputQueueCount(), 3);
}

TEST_F(TransferTest, ModemSignalsMapTheFourInputLines) {
  OpenPort();
  sim.SetModemLines(0x00B0);
  EXPECT_EQ(port.ModemSignals(), (TModemSignals{msCTS, msDSR, msRLSD}));
  sim.SetModemLines(MS_RING_ON);
  EXPECT_EQ(port.ModemSignals(), TModemSignals{msRing});
  sim.SetModemLines(0);
  EXPECT_TRUE(port.ModemSignals().Empty());
}

TEST_F(TransferTest, ParityErrorsAreReportedOnlyWhenChecked) {
  OpenPort();
  sim.FeedWithError('a', CE_RXPARITY | CE_FRAME);
  EXPECT_EQ(port.ReadLineErrors(), TComErrors{ceFrame});
  EXPECT_TRUE(port.ReadLineErrors().Empty());  // reading them cleared them

  port.Parity().SetCheck(true);
  sim.FeedWithError('b', CE_RXPARITY | CE_FRAME);
  EXPECT_EQ(port.ReadLineErrors(), (TComErrors{ceFrame, ceRxParity}));

  sim.InjectErrors(CE_OVERRUN | CE_BREAK);
  EXPECT_EQ(port.ReadLineErrors(), (TComErrors{ceOverrun, ceBreak}));
}

// The queue count clears the device's flags; the port keeps them for the
// next ReadLineErrors of the same session, which reports them once.
TEST_F(TransferTest, ErrorsClearedByTheQueueCountReachTheNextReadLineErrorsOnce) {
  OpenPort();
  sim.FeedWithError('a', CE_FRAME);
  EXPECT_EQ(port.InputQueueCount(), 1);
  sim.InjectErrors(CE_OVERRUN);
  EXPECT_EQ(port.ReadLineErrors(), (TComErrors{ceFrame, ceOverrun}));
  EXPECT_TRUE(port.ReadLineErrors().Empty());

  sim.InjectErrors(CE_OVERRUN);
  EXPECT_EQ(port.InputQueueCount(), 1);
  port.Close();
  OpenPort();
  EXPECT_TRUE(port.ReadLineErrors().Empty());
}

}  // namespace
