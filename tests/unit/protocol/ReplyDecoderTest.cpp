#include "console/protocol/ReplyDecoder.h"

#include <gtest/gtest.h>

#include "ReplyTestSupport.h"

namespace {

using Effects = std::vector<TReplyEffect>;

TReplyEffect Edit3(const std::string& rawHex) {
  return {rtEdit3, "", Bytes(rawHex)};
}
TReplyEffect Memo1(const std::string& text, const std::string& rawHex = "") {
  return {rtMemo1, text, Bytes(rawHex)};
}
TReplyEffect Edit2(const std::string& rawHex) {
  return {rtEdit2, "", Bytes(rawHex)};
}
TReplyEffect Edit1(const std::string& rawHex) {
  return {rtEdit1, "", Bytes(rawHex)};
}
TReplyEffect Dialog(const std::string& text) {
  return {rtDialog, text, {}};
}
TReplyEffect Progress() {
  return {rtProgressBar2, "", {}};
}

TDecodedReply Decode(const std::string& hex) {
  return DecodeReply(Bytes(hex));
}

// The effects of a block that decodes without failure.
Effects Decoded(const std::string& hex) {
  TDecodedReply reply = Decode(hex);
  EXPECT_FALSE(reply.Failure) << hex << ": " << reply.Failure->Error.Message();
  return reply.Effects;
}

// The lines a block adds to the reply log after its hex line, and its dialogs.
Effects Decisions(const std::string& hex) {
  Effects all = Decoded(hex);
  EXPECT_GE(all.size(), 3u);
  EXPECT_EQ(all.back(), Progress());
  return Effects(all.begin() + 2, all.end() - 1);
}

}  // namespace

TEST(DecodeReplyStates, StandbyReplyShowsRawTextHexLineAndStandbyLine) {
  EXPECT_EQ(Decoded("02 30 30 73 72 30 30 30 D7 03"),
            (Effects{Edit3("02 30 30 73 72 30 30 30 D7 03"), Memo1("0230307372303030D703"),
                     Memo1("대기상태입니다."), Progress()}));
}

TEST(DecodeReplyStates, StandbyNeedsItsExactChecksum) {
  EXPECT_EQ(Decisions("02 30 30 73 72 30 30 30 D8 03"), Effects{});
}

TEST(DecodeReplyStates, ButtonHoldIsRecognisedByBytesSevenToNineWhateverTheLetter) {
  const Effects held{Memo1("버튼 홀드 상태입니다.")};
  EXPECT_EQ(Decisions("02 30 30 73 72 30 31 31 D9 03"), held);
  EXPECT_EQ(Decisions("02 30 30 58 72 30 31 31 D9 03"), held);
  EXPECT_EQ(Decisions("02 30 30 73 65 30 31 31 D9 03"), held);  // before the error state
  EXPECT_EQ(Decisions("02 30 30 45 31 30 31 31 D9 03"), held);  // before the E rows
}

TEST(DecodeReplyStates, ErrorStateWhateverTheChecksum) {
  const Effects error{Memo1("에러상태입니다.")};
  EXPECT_EQ(Decisions("02 30 30 73 65 30 30 30 00 03"), error);
  EXPECT_EQ(Decisions("02 30 30 73 65 30 30 30 D7 03"), error);
  EXPECT_EQ(Decisions("02 30 30 73 65"), error);
}

TEST(DecodeReplyCounts, CountReplySetsTotalAndLogsTheWholeRawText) {
  const std::string reply = "02 30 30 63 30 31 32 33 8B 03";
  EXPECT_EQ(Decisions(reply), (Effects{Edit2("31 32 33"), Memo1("Read data : ", reply)}));
}

TEST(DecodeReplyCounts, CountLetterWinsOverTheButtonHoldBytes) {
  EXPECT_EQ(Decisions("02 30 30 63 30 31 31 31 D9 03"),
            (Effects{Edit2("31 31 31"), Memo1("Read data : ", "02 30 30 63 30 31 31 31 D9 03")}));
}

TEST(DecodeReplyCounts, DispenseReplySetsTheDispensedCountOnly) {
  EXPECT_EQ(Decisions("02 30 30 62 30 30 31 30 85 03"), Effects{Edit1("31 30")});
}

TEST(DecodeReplyCounts, ZeroByteEndsRawTextAndCountsButNotTheHexLine) {
  EXPECT_EQ(Decoded("02 30 30 63 30 31 00 33 8B 03"),
            (Effects{Edit3("02 30 30 63 30 31"),
                     Memo1("0230306330310033"
                           "8B03"),
                     Edit2("31"), Memo1("Read data : ", "02 30 30 63 30 31"), Progress()}));
  EXPECT_EQ(Decisions("02 30 30 62 30 30 00 30"), Effects{Edit1("")});
}

TEST(DecodeReplyCounts, SplitReplyDecodesAsTwoUnrelatedBlocks) {
  EXPECT_EQ(Decoded("02 30 30 63"), (Effects{Edit3("02 30 30 63"), Memo1("02303063"), Edit2(""),
                                             Memo1("Read data : ", "02 30 30 63"), Progress()}));
  EXPECT_EQ(Decoded("30 31 32 33 8B 03"), (Effects{Edit3("30 31 32 33 8B 03"),
                                                   Memo1("30313233"
                                                         "8B03"),
                                                   Progress()}));
}

TEST(DecodeReplyErrors, EachErrorKindLogsItsLineAndReportsTheReleasedNotes) {
  struct Row {
    const char* code;
    const char* line;
    const char* dialog;  // for the count "05"; null: no dialog
  };
  const Row rows[] = {
      {"31", "no bills (HOST 의 요구에 의한 배출 중 에러.)", "5장 방출되었습니다."},
      {"32", "jam 1 or jam 2.", "4장 방출되었습니다."},
      {"33", "chain.", "4장 방출되었습니다."},
      {"34", "half.", "4장 방출되었습니다."},
      {"35", "short.", "4장 방출되었습니다."},
      {"36", "no bills (start key의 요구에 의한 배출중 에러).", "5장 방출되었습니다."},
      {"37", "double.", "4장 방출되었습니다."},
      {"38", "over count 4000 pcs.", "4장 방출되었습니다."},
      {"39", "E11 통신테스트 시 수신에러.", nullptr},
  };
  for (const Row& row : rows) {
    Effects expected{Memo1(row.line)};
    if (row.dialog != nullptr) expected.push_back(Dialog(row.dialog));
    EXPECT_EQ(Decisions(std::string("02 30 30 45 ") + row.code + " 30 30 35 00 03"), expected)
        << "code " << row.code;
  }
}

TEST(DecodeReplyErrors, CountIsNotClampedAndMayBeOneDigitOrSigned) {
  EXPECT_EQ(Decisions("02 30 30 45 32 30 30 30")[1], Dialog("-1장 방출되었습니다."));
  EXPECT_EQ(Decisions("02 30 30 45 32 30 37")[1], Dialog("6장 방출되었습니다."));
  EXPECT_EQ(Decisions("02 30 30 45 31 30 37 00 39")[1], Dialog("7장 방출되었습니다."));
  EXPECT_EQ(Decisions("02 30 30 45 33 30 2D 39")[1], Dialog("-10장 방출되었습니다."));
  EXPECT_EQ(Decisions("02 30 30 45 36 30 39 39")[1], Dialog("99장 방출되었습니다."));
}

TEST(DecodeReplyErrors, UnknownErrorKindMatchesNoRow) {
  EXPECT_EQ(Decisions("02 30 30 45 30 30 30 35 00 03"), Effects{});
  EXPECT_EQ(Decisions("02 30 30 45 3A 30 30 35 00 03"), Effects{});
  EXPECT_EQ(Decisions("02 30 30 45"), Effects{});
}

TEST(DecodeReplyErrors, CountThatIsNoNumberKeepsTheLogLineAndFailsWithoutDialogOrProgress) {
  const TDecodedReply reply = Decode("0A 30 30 45 32 30 41 42 00 03");
  EXPECT_EQ(reply.Effects, (Effects{Edit3("0A 30 30 45 32 30 41 42"),
                                    Memo1("0A30304532304142"
                                          "0003"),
                                    Dialog("에러를 처리하세요"), Memo1("jam 1 or jam 2.")}));
  ASSERT_TRUE(reply.Failure);
  EXPECT_EQ(reply.Failure->Error.Message(), "'AB' is not a valid integer value");
  EXPECT_EQ(reply.Failure->CountPiece, Bytes("41 42"));
}

TEST(DecodeReplyErrors, CountMissingFromAShortOrCutBlockFails) {
  for (const char* hex : {"02 30 30 45 31 30", "02 30 30 45 38 00 30 35", "02 30 30 45 37 30 3F"}) {
    const TDecodedReply reply = Decode(hex);
    ASSERT_TRUE(reply.Failure) << hex;
    EXPECT_EQ(reply.Effects.back().Target, rtMemo1) << hex;
  }
  EXPECT_EQ(Decode("02 30 30 45 31 30").Failure->Error.Message(),
            "'' is not a valid integer value");
}

TEST(DecodeReplyBlocks, LineFeedFirstRaisesTheErrorPromptAndDecodesOn) {
  EXPECT_EQ(Decoded("0A 30 30 73 72 30 30 30 D7 03"),
            (Effects{Edit3("0A 30 30 73 72 30 30 30 D7 03"), Memo1("0A30307372303030D703"),
                     Dialog("에러를 처리하세요"), Memo1("대기상태입니다."), Progress()}));
  EXPECT_EQ(Decoded("0A"),
            (Effects{Edit3("0A"), Memo1("0A"), Dialog("에러를 처리하세요"), Progress()}));
}

TEST(DecodeReplyBlocks, TwoRepliesInOneBlockDecodeOnlyTheFirst) {
  const std::string both = "02 30 30 62 30 30 31 30 85 03 02 30 30 73 72 30 30 30 D7 03";
  const Effects effects = Decoded(both);
  ASSERT_EQ(effects.size(), 4u);
  EXPECT_EQ(effects[1], Memo1("0230306230303130"
                              "85030230307372303030D703"));
  EXPECT_EQ(effects[2], Edit1("31 30"));
}

TEST(DecodeReplyBlocks, OneByteAndEmptyBlocksOnlyShowAndStep) {
  EXPECT_EQ(Decoded("30"), (Effects{Edit3("30"), Memo1("30"), Progress()}));
  EXPECT_EQ(Decoded(""), (Effects{Edit3(""), Memo1(""), Progress()}));
}
