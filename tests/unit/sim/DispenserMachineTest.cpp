// The virtual dispenser's answers, checked the way the console reads them:
// every reply is a valid frame, and the reply decoder makes sense of it.
#include <gtest/gtest.h>

#include "console/protocol/HexText.h"
#include "console/protocol/ReplyDecoder.h"
#include "console/simulator/DispenserMachine.h"
#include "console/simulator/VirtualDispenser.h"

namespace {

// The reply to `command`, checked to be a valid frame.
std::string Reply(TDispenserMachine& machine, TDispenserCommand command) {
  const TMachineAnswer answer = machine.Answer(CommandFrame(command));
  EXPECT_TRUE(answer.Ignored.empty()) << answer.Ignored;
  if (!answer.Reply) return "no reply";
  EXPECT_TRUE(IsValidFrame(*answer.Reply)) << HexText(*answer.Reply);
  return HexText(*answer.Reply);
}

// What the console makes of a reply: the texts of its decoded lines and
// fields after the hex line, as "Target:text", and no failure.
std::vector<std::string> Decoded(const std::string& hex) {
  const TDecodedReply reply = DecodeReply(ParseHexText(hex));
  EXPECT_FALSE(reply.Failure.has_value()) << hex;
  std::vector<std::string> lines;
  for (std::size_t i = 2; i < reply.Effects.size(); ++i) {
    const TReplyEffect& effect = reply.Effects[i];
    if (effect.Target == rtProgressBar2) continue;
    lines.push_back(std::string(ReplyTargetName(effect.Target)) + ":" + effect.Text +
                    std::string(effect.Raw.begin(), effect.Raw.end()));
  }
  return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(DispenserMachine, StateRepliesAreTheKnownStandbyAndHoldFrames) {
  TDispenserMachine machine;
  EXPECT_EQ(Reply(machine, dcStateQuery), "0230307372303030D703");
  EXPECT_EQ(Reply(machine, dcButtonHoldOn), "0230306B313031308F03");
  EXPECT_TRUE(machine.ButtonsHeld());
  EXPECT_EQ(Reply(machine, dcStateQuery), "0230307372303131D903");
  EXPECT_EQ(Decoded("0230307372303131D903"), Lines{"Memo1:버튼 홀드 상태입니다."});
  EXPECT_EQ(Reply(machine, dcButtonHoldOff), "0230306B303030308D03");
  EXPECT_EQ(Reply(machine, dcStateQuery), "0230307372303030D703");
  EXPECT_EQ(Decoded("0230307372303030D703"), Lines{"Memo1:대기상태입니다."});
}

TEST(DispenserMachine, DispensesTenNotesAndCountsThemInAThreeDigitTotal) {
  TDispenserMachine machine;
  EXPECT_EQ(Reply(machine, dcCountQuery), "02303063303030308503");
  EXPECT_EQ(Decoded("02303063303030308503")[0], "Edit2:000");
  const std::string dispensed = Reply(machine, dcDispense);
  EXPECT_EQ(dispensed, "02303062303031308503");
  EXPECT_EQ(Decoded(dispensed), Lines{"Edit1:10"});
  Reply(machine, dcDispense);
  EXPECT_EQ(Decoded(Reply(machine, dcCountQuery))[0], "Edit2:020");

  for (int i = 0; i < 98; ++i) Reply(machine, dcDispense);
  EXPECT_EQ(machine.Total(), 0u) << "a three-digit counter rolls over at 1000";
  Reply(machine, dcDispense);
  EXPECT_EQ(Decoded(Reply(machine, dcCountQuery))[0], "Edit2:010");
}

TEST(DispenserMachine, ClearCommandsClearTheCounterTheErrorOrBoth) {
  TDispenserMachine machine({{fkJam, 2, 3}});
  Reply(machine, dcDispense);
  Reply(machine, dcDispense);
  ASSERT_EQ(machine.Total(), 13u);
  ASSERT_EQ(machine.PendingError(), fkJam);

  EXPECT_EQ(Reply(machine, dcCountClear), "02303069303030318C03");
  EXPECT_EQ(machine.Total(), 0u);
  EXPECT_EQ(machine.PendingError(), fkJam);
  EXPECT_EQ(Reply(machine, dcErrorClear), "02303069303030328D03");
  EXPECT_EQ(machine.PendingError(), std::nullopt);

  machine = TDispenserMachine({{fkShort, 1, 0}});
  Reply(machine, dcDispense);
  Reply(machine, dcCountErrorClear);
  EXPECT_EQ(machine.Total(), 0u);
  EXPECT_EQ(machine.PendingError(), std::nullopt);
  EXPECT_EQ(Reply(machine, dcStateQuery), "0230307372303030D703");
}

TEST(DispenserMachine, EveryFaultKindMakesTheConsoleReportTheNotesThatLeft) {
  // The console's log line and dialog for each kind after 3 notes got out.
  const std::vector<std::pair<TFaultKind, Lines>> kinds = {
      {fkNoNotes,
       {"Memo1:no bills (HOST 의 요구에 의한 배출 중 에러.)", "dialog:3장 방출되었습니다."}},
      {fkJam, {"Memo1:jam 1 or jam 2.", "dialog:3장 방출되었습니다."}},
      {fkChain, {"Memo1:chain.", "dialog:3장 방출되었습니다."}},
      {fkHalf, {"Memo1:half.", "dialog:3장 방출되었습니다."}},
      {fkShort, {"Memo1:short.", "dialog:3장 방출되었습니다."}},
      {fkNoNotesKey,
       {"Memo1:no bills (start key의 요구에 의한 배출중 에러).", "dialog:3장 방출되었습니다."}},
      {fkDouble, {"Memo1:double.", "dialog:3장 방출되었습니다."}},
      {fkOverCount, {"Memo1:over count 4000 pcs.", "dialog:3장 방출되었습니다."}},
      {fkReceiveError, {"Memo1:E11 통신테스트 시 수신에러."}},
  };
  for (const auto& [kind, lines] : kinds) {
    TDispenserMachine machine({{kind, 0, 3}});
    EXPECT_EQ(Decoded(Reply(machine, dcDispense)), lines) << FaultKindName(kind);
    EXPECT_EQ(machine.Total(), 3u) << FaultKindName(kind);
    EXPECT_EQ(machine.PendingError(), kind);
    EXPECT_EQ(Decoded(Reply(machine, dcStateQuery)), Lines{"Memo1:에러상태입니다."});
  }
}

TEST(DispenserMachine, APendingErrorFailsEveryDispenseWithNoNoteUntilCleared) {
  TDispenserMachine machine({{fkDouble, 2, 5}});
  EXPECT_EQ(Decoded(Reply(machine, dcDispense)), Lines{"Edit1:10"});
  EXPECT_EQ(Decoded(Reply(machine, dcDispense))[1], "dialog:5장 방출되었습니다.");
  EXPECT_EQ(Decoded(Reply(machine, dcDispense)),
            (Lines{"Memo1:double.", "dialog:0장 방출되었습니다."}));
  EXPECT_EQ(machine.Total(), 15u);
  EXPECT_EQ(Decoded(Reply(machine, dcCountQuery))[0], "Edit2:015") << "counting still works";
  Reply(machine, dcErrorClear);
  EXPECT_EQ(Decoded(Reply(machine, dcDispense)), Lines{"Edit1:10"});
  EXPECT_EQ(machine.Total(), 25u);
  EXPECT_EQ(machine.DispenseRequests(), 4u);
}

TEST(DispenserMachine, FramesItDoesNotKnowAreIgnoredWithTheReason) {
  TDispenserMachine machine;
  const std::vector<std::pair<std::string, std::string>> frames = {
      {"A0000", "unknown command letter 'A'"}, {"b0010", "unknown command letter 'b'"},
      {"I0000", "unknown data 0000 for I"},    {"I0004", "unknown data 0004 for I"},
      {"K1111", "unknown data 1111 for K"},    {"C00A0", "data is not four digits"},
  };
  for (const auto& [letterAndData, reason] : frames) {
    const TMachineAnswer answer =
        machine.Answer(BuildFrame(letterAndData[0], letterAndData.substr(1)));
    EXPECT_EQ(answer.Ignored, reason) << letterAndData;
    EXPECT_FALSE(answer.Reply.has_value()) << letterAndData;
  }
  TFrame other = BuildFrame('C', "0000");
  other[2] = '1';
  other[8] = FrameChecksum(other);
  EXPECT_EQ(machine.Answer(other).Ignored, "not addressed 00");
  EXPECT_EQ(machine.Total(), 0u);
  EXPECT_FALSE(machine.ButtonsHeld());
}

TEST(VirtualDispenser, AnswersFramesFromTheStreamAndSaysWhatItIgnored) {
  TVirtualDispenser dispenser;
  const auto count = CommandFrame(dcCountQuery);
  std::vector<std::uint8_t> stream = ParseHexText("0D 0A 02303043303030306603");
  stream.insert(stream.end(), count.begin(), count.begin() + 4);
  auto exchanges = dispenser.Receive(stream);
  ASSERT_EQ(exchanges.size(), 2u);
  EXPECT_EQ(exchanges[0].Ignored, "bytes outside a frame");
  EXPECT_EQ(HexText(exchanges[0].Received), "0D0A");
  EXPECT_EQ(exchanges[1].Ignored, "bad checksum, should be 65");
  EXPECT_FALSE(exchanges[1].Reply.has_value());

  exchanges = dispenser.Receive(std::span(count).subspan(4));
  ASSERT_EQ(exchanges.size(), 1u);
  EXPECT_EQ(HexText(exchanges[0].Received), HexText(count));
  ASSERT_TRUE(exchanges[0].Reply.has_value());
  EXPECT_EQ(HexText(*exchanges[0].Reply), "02303063303030308503");
  EXPECT_EQ(exchanges[0].Ignored, "");
}
