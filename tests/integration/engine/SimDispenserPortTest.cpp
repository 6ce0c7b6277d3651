// The SIM port: the virtual dispenser opened by name through the device
// registry, its frames written by the engine and its replies handed to the
// main thread by the port's event thread, as any port's bytes.
#include <cctype>
#include <cerrno>

#include "console/protocol/DispenserFrames.h"
#include "console/simulator/DispenserMachine.h"
#include "console/simulator/SimDispenser.h"
#include "serial/ComErrors.h"
#include "tests/integration/engine/EventFixture.h"

namespace {

class SimDispenserPort : public EventTest {
 protected:
  SimDispenserPort() {
    RegisterSimDispenser();
    RestartSimDispensers();
    port.SetOnRxChar([this](TObject*, std::int32_t count) {
      std::string bytes(static_cast<std::size_t>(count), '\0');
      port.Read(bytes.data(), count);
      received += bytes;
      if (!MainThread::IsCurrent()) journal.Add("received off the main thread");
    });
  }
  ~SimDispenserPort() override { port.Close(); }

  // Sends the command and serves the main thread until its reply is in.
  std::string Exchange(TDispenserCommand command) {
    received.clear();
    const TFrame frame = CommandFrame(command);
    port.Write(frame.data(), static_cast<std::int32_t>(frame.size()));
    EXPECT_TRUE(PumpUntil([&] { return received.size() >= 10; })) << "no reply";
    return received;
  }
  // The reply's letter and its four data characters: "b0010".
  std::string Answer(TDispenserCommand command) { return Exchange(command).substr(3, 5); }

  TComPort port{nullptr};
  std::string received;
};

TEST_F(SimDispenserPort, EveryFrameReachesTheDispenserByteExactAndItsReplyComesOnTheMainThread) {
  port.SetPort("SIM");
  port.Open();
  for (const TDispenserCommand command : DispenserCommands) {
    const TFrame frame = CommandFrame(command);
    const std::string reply = Exchange(command);
    ASSERT_EQ(reply.size(), 10u);
    EXPECT_EQ(reply[3], std::tolower(frame[3])) << CommandName(command);
    const TFrame framed = BuildFrame(reply[3], reply.substr(4, 4));  // STX, checksum, ETX
    EXPECT_EQ(reply, std::string(framed.begin(), framed.end())) << CommandName(command);
  }
  const auto dispenser = FindSimDispenser("SIM");
  ASSERT_NE(dispenser, nullptr);
  const std::vector<TExchange> exchanges = dispenser->Exchanges();
  ASSERT_EQ(exchanges.size(), DispenserCommands.size());
  for (std::size_t i = 0; i < DispenserCommands.size(); ++i) {
    const TFrame frame = CommandFrame(DispenserCommands[i]);
    EXPECT_EQ(exchanges[i].Received, std::vector<std::uint8_t>(frame.begin(), frame.end()));
    EXPECT_TRUE(exchanges[i].Ignored.empty()) << exchanges[i].Ignored;
  }
  EXPECT_TRUE(journal.Lines().empty()) << journal.Lines().front();
}

TEST_F(SimDispenserPort, TheNameSetsFaultsAndTimingAsDispenserSimsOptionsDo) {
  port.SetPort("SIM:jam@2:3,split,delay=5");
  port.Open();
  EXPECT_EQ(Answer(dcDispense), "b0010");
  EXPECT_EQ(Answer(dcDispense), "E2004");  // jammed after three notes, on the fourth
  EXPECT_EQ(Answer(dcStateQuery), "se002");
  EXPECT_EQ(Answer(dcErrorClear), "i0002");
  EXPECT_EQ(Answer(dcCountQuery), "c0013");
  EXPECT_EQ(FindSimDispenser("SIM:jam@2:3,split,delay=5")->Exchanges().size(), 5u);
}

// Each line item makes the port's event for it: after the first command, or
// on its period without one.
TEST_F(SimDispenserPort, LineItemsRaiseTheirEventsThroughTheEngine) {
  std::vector<std::string> events;
  port.SetOnBreak([&](TObject*) { events.push_back("break"); });
  port.SetOnRing([&](TObject*) { events.push_back("ring"); });
  port.SetOnError([&](TObject*, TComErrors errors) {
    for (const auto& [error, name] : {std::pair{ceFrame, "frame"},
                                      {ceRxParity, "parity"},
                                      {ceOverrun, "overrun"},
                                      {ceRxOver, "rx-over"}}) {
      if (errors.Contains(error)) events.push_back(name);
    }
  });
  const auto line = [&](const char* name) {
    return [&events, name](TObject*, bool on) {
      events.push_back(std::string(name) + (on ? " on" : " off"));
    };
  };
  port.SetOnCTSChange(line("cts"));
  port.SetOnDSRChange(line("dsr"));
  port.SetOnRLSDChange(line("rlsd"));
  port.Parity().SetCheck(true);  // parity errors are told only so
  const std::pair<const char*, const char*> cases[] = {
      {"SIM:fast,line=break@1", "break"},     {"SIM:fast,line=framing@1", "frame"},
      {"SIM:fast,line=parity@1", "parity"},   {"SIM:fast,line=overrun@1", "overrun"},
      {"SIM:fast,line=rx-over@1", "rx-over"}, {"SIM:fast,line=cts@1", "cts on"},
      {"SIM:fast,line=dsr@1", "dsr on"},      {"SIM:fast,line=rlsd@1", "rlsd on"},
      {"SIM:fast,line=ring@1", "ring"},       {"SIM:line=ring/20", "ring"},
  };
  for (const auto& [name, event] : cases) {
    port.SetPort(name);
    port.Open();
    events.clear();  // the line states the port reports as it opens
    if (std::string(name).find('@') != std::string::npos) {
      EXPECT_EQ(Answer(dcStateQuery), "sr000") << name;
    }
    EXPECT_TRUE(PumpUntil([&] { return !events.empty(); })) << name;
    EXPECT_EQ(events.front(), event) << name;
    port.Close();
  }
  // They hold the events, which go first.
  port.SetOnCTSChange(nullptr);
  port.SetOnDSRChange(nullptr);
  port.SetOnRLSDChange(nullptr);
}

TEST_F(SimDispenserPort, OneDispenserPerNameOutlivesItsPortInEverySpellingOfSim) {
  port.SetPort("SIM");
  port.Open();
  EXPECT_EQ(Answer(dcDispense), "b0010");
  TComPort second(nullptr);
  second.SetPort("sim");
  EXPECT_THROW(second.Open(), EComPortExt) << "the one device is open already";
  port.Close();

  port.SetPort("sim");
  port.Open();
  EXPECT_EQ(Answer(dcCountQuery), "c0010") << "the same machine, still counting";
  port.Close();
  port.SetPort("SIM:short@9");
  port.Open();
  EXPECT_EQ(Answer(dcCountQuery), "c0000") << "another name, another machine";
}

TEST_F(SimDispenserPort, AWrongNameFailsToOpenAndTheDebuggerOutputSaysWhy) {
  std::vector<std::string> lines;
  const comm::DebugOutputSink previous =
      comm::SetDebugOutputSink([&](const std::string& line) { lines.push_back(line); });
  const std::vector<std::pair<std::string, std::string>> wrong = {
      {"SIM:", "an item is empty"},
      {"SIM:jam,,short", "an item is empty"},
      {"SIM:jam@0", "fault: dispense numbers count from 1"},
      {"SIM:delay=soon", "delay 'soon' is not a number"},
      {"SIM:split=yes", "split takes no value"},
      {"SIM:fault", "fault needs a value"},
      {"SIM:paper-jam", "fault: unknown fault kind 'paper-jam'"},
  };
  for (const auto& [name, reason] : wrong) {
    lines.clear();
    port.SetPort(name);
    try {
      port.Open();
      ADD_FAILURE() << name << " opened";
    } catch (const EComPortExt& e) {
      EXPECT_EQ(e.ErrorCode(), ecOpenFailed) << name;
      EXPECT_EQ(e.SystemErrorCode(), ENOENT) << name;
    }
    EXPECT_FALSE(port.Connected());
    ASSERT_FALSE(lines.empty()) << name;
    EXPECT_NE(lines.front().find(name + ": " + reason), std::string::npos) << lines.front();
  }
  comm::SetDebugOutputSink(previous);
}

}  // namespace
