// The win32 device on a COM port: opening, line settings and time-outs as the
// system keeps them, purging, aborting, and what Wine cannot do on a
// pseudo-terminal (skipped there, with the reason).
#include <gtest/gtest.h>

#include <cstring>

#include "console/protocol/DispenserFrames.h"
#include "platform/serial/CommDevice.h"
#include "platform/serial/OpenFailure.h"
#include "tests/integration/win32/SimComPort.h"

namespace {

class ComPortDevice : public SimComPortTest {
 protected:
  void SetUp() override {
    SimComPortTest::SetUp();
    if (HasFatalFailure()) return;
    device = comm::Device::Open("\\\\.\\" + portName);
    ASSERT_TRUE(device.Valid()) << comm::SystemErrorText(comm::GetLastError());
    comm::DCB dcb;
    dcb.BaudRate = 9600;
    dcb.fBinary = true;
    dcb.ByteSize = 8;
    ASSERT_TRUE(device.SetCommState(dcb));
  }
  void TearDown() override { device.CloseHandle(); }

  // Starts a transfer and waits for its end: its outcome and byte count.
  bool Transfer(bool write, void* buffer, comm::DWORD count, comm::DWORD* done) {
    comm::OVERLAPPED ov;
    ov.hEvent = comm::Event::Create(true, true);
    const bool started = write ? device.WriteFile(buffer, count, done, &ov)
                               : device.ReadFile(buffer, count, done, &ov);
    if (!started && comm::GetLastError() != ERROR_IO_PENDING) return false;
    return device.GetOverlappedResult(&ov, done, true);
  }
  void SetTimeouts(comm::DWORD interval, comm::DWORD total) {
    ASSERT_TRUE(device.SetCommTimeouts(comm::COMMTIMEOUTS{interval, 0, total, 0, 5000}));
  }

  comm::Device device;
};

}  // namespace

TEST_F(ComPortDevice, SettingsAndTimeoutsAreKeptAsGiven) {
  EXPECT_TRUE(device.SetupComm(4096, 2048));
  comm::DCB dcb;
  dcb.BaudRate = 19200;
  dcb.fBinary = true;
  dcb.ByteSize = 8;
  dcb.StopBits = 2;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  ASSERT_TRUE(device.SetCommState(dcb));
  comm::DCB back;
  ASSERT_TRUE(device.GetCommState(&back));
  EXPECT_EQ(back.BaudRate, 19200u);
  EXPECT_EQ(back.ByteSize, 8);
  EXPECT_EQ(back.Parity, 0);
  EXPECT_EQ(back.StopBits, 2);

  const comm::COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 7, 1000};
  ASSERT_TRUE(device.SetCommTimeouts(timeouts));
  comm::COMMTIMEOUTS stored;
  ASSERT_TRUE(device.GetCommTimeouts(&stored));
  EXPECT_EQ(stored, timeouts);
}

TEST_F(ComPortDevice, PurgeEmptiesTheInputQueueAndAbortEndsAPendingRead) {
  TFrame frame = CommandFrame(dcStateQuery);
  comm::DWORD done = 0;
  ASSERT_TRUE(Transfer(true, frame.data(), 10, &done));
  EXPECT_EQ(done, 10u);
  SetTimeouts(0, 10000);  // wait for the reply's first byte (at most 10 s)
  std::uint8_t first = 0;
  ASSERT_TRUE(Transfer(false, &first, 1, &done));
  ASSERT_EQ(done, 1u);
  EXPECT_EQ(first, 0x02);
  comm::COMSTAT stat;
  ASSERT_TRUE(device.ClearCommError(nullptr, &stat));
  EXPECT_GT(stat.cbInQue, 0u);  // the rest of the reply
  ASSERT_TRUE(device.PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR));
  ASSERT_TRUE(device.ClearCommError(nullptr, &stat));
  EXPECT_EQ(stat.cbInQue, 0u);

  SetTimeouts(0, 0);  // a read that waits for its bytes however long it takes
  std::uint8_t buffer[10];
  comm::OVERLAPPED ov;
  ov.hEvent = comm::Event::Create(true, true);
  ASSERT_FALSE(device.ReadFile(buffer, sizeof buffer, &done, &ov));
  ASSERT_EQ(comm::GetLastError(), ERROR_IO_PENDING);
  ASSERT_TRUE(device.PurgeComm(PURGE_TXABORT | PURGE_RXABORT));
  EXPECT_FALSE(device.GetOverlappedResult(&ov, &done, true));
  EXPECT_EQ(comm::GetLastError(), ERROR_OPERATION_ABORTED);
}

TEST_F(ComPortDevice, ReadThatRunsOutOfTimeEndsWellWithWhatItGot) {
  SetTimeouts(0, 150);
  std::uint8_t buffer[5] = {};
  comm::DWORD done = 99;
  EXPECT_TRUE(Transfer(false, buffer, sizeof buffer, &done))
      << comm::SystemErrorText(comm::GetLastError());
  EXPECT_EQ(done, 0u);
}

TEST_F(ComPortDevice, NamesThatAreNoSerialPortDoNotOpenAndSayWhy) {
  EXPECT_FALSE(comm::Device::Open("\\\\.\\COM199").Valid());
  EXPECT_EQ(comm::GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(comm::OpenFailureCause("COM199", comm::GetLastError()),
            "COM199 does not exist: the device is not connected, or the port name is wrong");
  EXPECT_FALSE(comm::Device::Open("\\\\.\\NUL").Valid());  // opens, but has no line settings
  EXPECT_NE(comm::GetLastError(), 0);
  EXPECT_EQ(comm::OpenFailureCause("NUL", comm::GetLastError()),
            "NUL is a device, but not a serial one");
}

TEST_F(ComPortDevice, ASecondOpenOfAnOpenPortFails) {
  if (RunningUnderWine())
    GTEST_SKIP() << "Wine does not keep a device opened without sharing exclusive";
  EXPECT_FALSE(comm::Device::Open("\\\\.\\" + portName).Valid());
  EXPECT_EQ(comm::GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(ComPortDevice, AWaitForReceivedBytesCompletesWithTheirEvent) {
  if (RunningUnderWine()) GTEST_SKIP() << kWineHasNoCommEvents;
  ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_TXEMPTY | EV_CTS));
  comm::DWORD status = 0;
  EXPECT_TRUE(device.GetCommModemStatus(&status));
  comm::DWORD mask = 0;
  comm::OVERLAPPED ov;
  ov.hEvent = comm::Event::Create(true, true);
  TFrame frame = CommandFrame(dcStateQuery);
  comm::DWORD done = 0;
  ASSERT_TRUE(Transfer(true, frame.data(), 10, &done));
  // The transmit queue empties and the reply arrives: waits until the reply has come.
  for (comm::DWORD seen = 0; (seen & EV_RXCHAR) == 0; seen |= mask) {
    if (!device.WaitCommEvent(&mask, &ov)) {
      ASSERT_EQ(comm::GetLastError(), ERROR_IO_PENDING);
    }
    ASSERT_TRUE(device.GetOverlappedResult(&ov, &done, true));
  }
  ASSERT_TRUE(device.SetCommMask(0));
}
