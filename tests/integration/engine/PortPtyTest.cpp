// The port on a real pseudo-terminal: what it writes arrives at the far end,
// what the far end writes is read or reported, a setting changed on the open
// port reaches the kernel at once, and a far end that hangs up is reported.
#include <termios.h>

#include "tests/integration/engine/EventFixture.h"
#include "tests/integration/serial/PtyPair.h"

namespace {

using comm::testing::PtyPair;

class PortPtyTest : public EventTest {
 protected:
  PortPtyTest() {
    port.SetPort(pty.slavePath);
    auto signal = [this](std::string name) {
      return [this, name](TObject*, bool on) { journal.Add(name + (on ? " on" : " off")); };
    };
    link.OnTxActive = signal("tx");
    link.OnRxActive = signal("rx");
    link.OnTxData = [this](TObject*, const void* buffer, std::int32_t count) {
      journal.Add("tx data " + std::to_string(count) + " " +
                  std::string(static_cast<const char*>(buffer), static_cast<std::size_t>(count)));
    };
    port.RegisterLink(&link);
  }
  ~PortPtyTest() override {
    port.Close();
    port.UnregisterLink(&link);
  }

  // The far end hangs up: reported once, as a device that is gone, and the
  // port closes itself.
  void ExpectHangUpReportedOnceAndClosed() {
    ASSERT_TRUE(pty.Ok());
    port.Open();
    const std::string name = pty.slavePath;
    pty.HangUp();
    ASSERT_TRUE(PumpUntil([&] { return !journal.Lines().empty(); }));
    const std::vector<std::string> lines = journal.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "shown: COM Port Error: WaitForEvent method failed on " + name);
    ASSERT_EQ(shownSystemErrors.size(), 1u);
    EXPECT_EQ(shownSystemErrors[0].first, 21);
    EXPECT_TRUE(comm::IsDeviceGoneError(shownSystemErrors[0].second))
        << shownSystemErrors[0].second;
    ExpectClosedAndQuiet(port);
  }

  termios KernelSettings() const {
    termios settings{};
    tcgetattr(pty.master, &settings);
    return settings;
  }

  PtyPair pty;
  TComPort port{nullptr};
  TComLink link;
};

// Transfers, without an event thread.
class PortPtyTransferTest : public PortPtyTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Ok());
    port.SetEvents(TComEvents());
    port.Open();
  }
};

TEST_F(PortPtyTransferTest, PortWriteDeliversTheFrameByteExactAndTellsTheLinks) {
  const std::string frame(
      "\x02"
      "00D0001\x75\x03",
      10);
  EXPECT_EQ(PortWrite(port, frame.data(), 10), 10);
  EXPECT_EQ(pty.Read(10), frame);
  EXPECT_EQ(journal.Lines(), (std::vector<std::string>{"tx on", "tx data 10 " + frame}));
}

TEST_F(PortPtyTransferTest, ReadReturnsTheQueuedBytesAtOnceAndReportsTheQueueEmpty) {
  pty.Write("abc");
  // The bytes pass through the kernel first (the bound is a safety net).
  ASSERT_TRUE(WaitUntil([&] { return port.InputQueueCount() == 3; }));
  char buffer[8] = {};
  EXPECT_EQ(port.Read(buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(journal.Lines(), std::vector<std::string>{"rx off"});
}

TEST_F(PortPtyTransferTest, ReadWithNothingQueuedReturnsZeroAndMarksTheBuffer) {
  unsigned char buffer[4] = {1, 2, 3, 4};
  EXPECT_EQ(port.Read(buffer, 4), 0);
  EXPECT_EQ(buffer[0], 0xFF);
}

TEST_F(PortPtyTransferTest, ASettingChangedWhileOpenReachesTheKernelAtOnce) {
  const termios initial = KernelSettings();
  EXPECT_EQ(cfgetospeed(&initial), speed_t{B9600});
  port.SetBaudRate(br19200);
  const termios faster = KernelSettings();
  EXPECT_EQ(cfgetospeed(&faster), speed_t{B19200});
  EXPECT_EQ(faster.c_cflag & CSTOPB, 0u);
  port.SetStopBits(sbTwoStopBits);
  EXPECT_NE(KernelSettings().c_cflag & CSTOPB, 0u);
}

// Events from the far end.
TEST_F(PortPtyTest, BytesFromTheFarEndReachOnRxCharOnTheMainThreadWithTheQueuedCount) {
  ASSERT_TRUE(pty.Ok());
  std::string received;
  bool allOnMainThread = true;
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    EXPECT_EQ(port.Read(bytes.data(), count), count);  // exactly what was queued
    received += bytes;
    allOnMainThread = allOnMainThread && MainThread::IsCurrent();
  });
  port.Open();
  pty.Write("0123456789");
  // The kernel may hand the bytes over in more than one step.
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= 10; }));
  EXPECT_EQ(received, "0123456789");
  EXPECT_TRUE(allOnMainThread);
}

// On a terminal the loop reads the line itself as it wakes: a stream of
// replies arrives whole and in order.
TEST_F(PortPtyTest, WithTheWaitInTheMainLoopAStreamOfRepliesArrivesWholeAndInOrder) {
  ASSERT_TRUE(pty.Ok());
  std::string received;
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    EXPECT_EQ(port.Read(bytes.data(), count), count);
    received += bytes;
  });
  port.SetWaitInMainLoop(true);
  port.Open();
  std::string sent;
  for (int i = 0; i < 200; ++i) {
    const std::string reply = "reply " + std::to_string(i) + ";";
    pty.Write(reply);
    sent += reply;
    if (i % 20 == 0) {
      ASSERT_TRUE(PumpUntil([&] { return received.size() == sent.size(); }));
    }
  }
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= sent.size(); }));
  EXPECT_EQ(received, sent);
}

TEST_F(PortPtyTest, AFarEndThatHangsUpIsReportedOnceAndThePortClosesItself) {
  ExpectHangUpReportedOnceAndClosed();
}

TEST_F(PortPtyTest, WithTheWaitInTheMainLoopAFarEndThatHangsUpIsReportedOnceAndThePortClosesToo) {
  port.SetWaitInMainLoop(true);
  ExpectHangUpReportedOnceAndClosed();
}

}  // namespace
