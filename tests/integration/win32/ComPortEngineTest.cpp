// The port engine on a COM port whose far end is dispenser-sim: the
// console's eight frames, their replies read and decoded, time-outs,
// aborting, reopening, a port that does not exist, and the machine's port
// list. The port runs without events (no event thread): Wine cannot wait
// for comm events on a pseudo-terminal; the event path has its own check.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/HexText.h"
#include "console/protocol/ReplyDecoder.h"
#include "platform/serial/Event.h"
#include "serial/CPort.h"
#include "serial/ComPortList.h"
#include "tests/integration/win32/SimComPort.h"

namespace {

class ComPortEngine : public SimComPortTest {
 protected:
  void SetUp() override {
    SimComPortTest::SetUp();
    if (HasFatalFailure()) return;
    port.SetPort(portName);
    port.FlowControl().SetControlDTR(dtrEnable);
    port.FlowControl().SetControlRTS(rtsEnable);
    port.SetEvents(TComEvents());
    OpenPort();
  }

  void OpenPort() {
    try {
      port.Open();
    } catch (const EComPortExt& error) {
      // Wine cannot read a pseudo-terminal's modem lines: Open reports that
      // with code 11 once the port is open, as it would for any device.
      if (!RunningUnderWine() || error.ErrorCode() != 11) throw;
    }
    ASSERT_TRUE(port.Connected());
  }

  // Sends the command's frame and reads one reply frame (waiting at most 10 s).
  TFrame Exchange(TDispenserCommand command) {
    const TFrame& frame = CommandFrame(command);
    EXPECT_EQ(PortWrite(port, frame.data(), static_cast<std::int32_t>(frame.size())), 10);
    port.Timeouts().SetReadInterval(0);
    port.Timeouts().SetReadTotalConstant(10000);
    TFrame reply{};
    EXPECT_EQ(port.Read(reply.data(), 10), 10) << CommandName(command);
    return reply;
  }

  TComPort port{nullptr};
};

bool HasEffect(const TDecodedReply& reply, TReplyTarget target, const std::string& text) {
  for (const TReplyEffect& effect : reply.Effects) {
    if (effect.Target == target &&
        effect.Text + std::string(effect.Raw.begin(), effect.Raw.end()) == text) {
      return true;
    }
  }
  return false;
}

}  // namespace

TEST_F(ComPortEngine, EveryFrameArrivesByteExactAndEachReplyIsReadAndDecoded) {
  Exchange(dcCountErrorClear);  // a dispenser in a known state: counter 0, no error
  logStart = LogText().size();

  std::vector<std::string> sent;
  for (TDispenserCommand command : DispenserCommands) {
    const TFrame reply = Exchange(command);
    sent.push_back(HexText(CommandFrame(command)));
    // The reply's letter is the command's in lower case.
    EXPECT_EQ(reply[3], std::tolower(CommandFrame(command)[3])) << HexText(reply);
    const TDecodedReply decoded = DecodeReply(reply);
    EXPECT_FALSE(decoded.Failure) << HexText(reply);
    ASSERT_FALSE(decoded.Effects.empty());
    EXPECT_EQ(decoded.Effects.back().Target, rtProgressBar2) << HexText(reply);
    if (command == dcDispense) {
      EXPECT_TRUE(HasEffect(decoded, rtEdit1, "10")) << HexText(reply);
    }
    if (command == dcCountQuery) {
      EXPECT_TRUE(HasEffect(decoded, rtEdit2, "010")) << HexText(reply);
    }
    if (command == dcStateQuery) {  // after the hold: the buttons are held
      EXPECT_TRUE(HasEffect(decoded, rtMemo1, "버튼 홀드 상태입니다.")) << HexText(reply);
    }
  }
  EXPECT_EQ(FramesReceived(), sent);
}

TEST_F(ComPortEngine, ReadsEndByTheirTimeoutsWithWhatHasArrived) {
  // The defaults: at once, with what is there (nothing).
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(port.Read(buffer, 8), 0);
  EXPECT_EQ(buffer[0], 0xFF);
  // A total time-out that runs out is no failure.
  port.Timeouts().SetReadInterval(0);
  port.Timeouts().SetReadTotalConstant(150);
  EXPECT_EQ(port.Read(buffer, 8), 0);
  EXPECT_EQ(port.InputQueueCount(), 0);
}

TEST_F(ComPortEngine, AbortEndsAPendingReadWithTheSystemsError) {
  port.Timeouts().SetReadInterval(0);
  port.Timeouts().SetReadTotalConstant(0);  // waits for its bytes however long it takes
  PAsyncRecord record;
  CreateAsyncRecord(record);
  std::uint8_t buffer[10];
  EXPECT_EQ(port.ReadAsync(buffer, 10, record), 0);
  port.AbortPendingIO();
  try {
    port.WaitForAsync(record);
    ADD_FAILURE() << "the aborted read ended well";
  } catch (const EComPortExt& error) {
    EXPECT_EQ(error.ErrorCode(), 3);
    EXPECT_EQ(error.SystemErrorCode(), ERROR_OPERATION_ABORTED);
  }
  FreeAsyncRecord(record);
}

TEST_F(ComPortEngine, ClosedPortReopensAndAMissingPortFailsToOpen) {
  port.Close();
  EXPECT_FALSE(port.Connected());
  OpenPort();
  EXPECT_EQ(Exchange(dcStateQuery)[3], 's');

  std::vector<std::string> debugLines;
  const auto previous =
      comm::SetDebugOutputSink([&](const std::string& line) { debugLines.push_back(line); });
  TComPort missing(nullptr);
  missing.SetPort("COM199");
  try {
    missing.Open();
    ADD_FAILURE() << "COM199 opened";
  } catch (const EComPortExt& error) {
    EXPECT_EQ(error.ErrorCode(), 1);
    EXPECT_EQ(error.SystemErrorCode(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(error.Message(), "COM Port Error: Unable to open com port on COM199");
  }
  comm::SetDebugOutputSink(previous);
  EXPECT_EQ(debugLines, std::vector<std::string>{"CreateFile \\\\.\\COM199"});
}

TEST_F(ComPortEngine, TheMachinesPortListHoldsThePort) {
  TStringList ports;
  EnumComPorts(ports);
  EXPECT_GE(ports.IndexOf(portName), 0) << "listed: " << ports.Count();
}

TEST_F(ComPortEngine, ReceivedBytesReachOnRxCharThroughTheEventThread) {
  if (RunningUnderWine()) GTEST_SKIP() << kWineHasNoCommEvents;
  port.Close();
  port.SetEvents(TComEvents::All());
  port.SetSyncMethod(smNone);  // handlers on the event thread: no main loop needed here
  std::atomic<std::int32_t> received{0};
  const comm::Event replied = comm::Event::Create(true, false);
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    std::uint8_t buffer[64];
    received += port.Read(buffer, std::min<std::int32_t>(count, sizeof buffer));
    if (received >= 10) replied.Set();
  });
  port.Open();
  const TFrame& frame = CommandFrame(dcStateQuery);
  PortWrite(port, frame.data(), 10);
  ASSERT_EQ(comm::WaitForSingleObject(replied, 10000), WAIT_OBJECT_0);
  port.Close();
  EXPECT_EQ(received.load(), 10);
}
