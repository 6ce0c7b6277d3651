// What the dispenser answers, as the window shows it: every reply kind of
// the virtual dispenser decoded into the log, the count fields, the dialogs
// and the reply progress bar, also when each reply comes in two pieces; and,
// from a far end of the test's own, blocks the dispenser would not send: one
// starting with LF, an error reply whose count is not a number followed by a
// good reply, and replies glued together, split or cut off.
#include "ConsoleTestSupport.h"

using console_test::LoopUntil;
using console_test::SimulatedDispenser;
using console_test::TWindow;

namespace {

// The ten bytes the dispenser answers to a count query with a total of 10,
// as a person reads them: STX, "00c0010", the checksum 0x86 (no character
// of code page 949 before ETX), ETX.
const QString kCountReplyText = QString::fromUtf8(u8"\u240200c0010\uFFFD\u2403");

class ConsoleReplies : public SimulatedDispenser {
 protected:
  // The second dispense jams after three notes.
  std::vector<std::string> SimArguments() const override { return {"--fault", "jam@2:3"}; }

  // Clicks and waits until the log has grown by `lines`.
  void Press(const char* button, int lines) {
    const int before = static_cast<int>(Window().Log().size());
    Window().Click(button);
    ASSERT_TRUE(LoopUntil([&] { return Window().Log().size() >= before + lines; })) << button;
  }
};

TEST_F(ConsoleReplies, StateHoldCountAndDispenseRepliesReachTheirControls) {
  Window().Click("Button2");
  Press("state", 2);
  Press("btnhold", 2);
  Press("state", 2);
  Press("Button7", 2);
  Press("Button5", 1);
  EXPECT_EQ(Window().Text("Edit1"), "10");
  Press("Button6", 2);
  EXPECT_EQ(Window().Text("Edit2"), "010");
  EXPECT_EQ(Window().Text("Edit3"), kCountReplyText);

  EXPECT_EQ(Window().Log(), (QStringList{
                                "",
                                "0230307372303030D703",
                                "대기상태입니다.",
                                "버튼이 홀딩 됐습니다.",
                                "0230306B313031308F03",
                                "0230307372303131D903",
                                "버튼 홀드 상태입니다.",
                                "버튼홀딩이 해제 됐습니다.",
                                "0230306B303030308D03",
                                "02303062303031308503",
                                "02303063303031308603",
                                "Read data : " + kCountReplyText,
                            }));
  EXPECT_EQ(Window().Position("ProgressBar2"), 6 * 5);  // one step per block
  EXPECT_TRUE(Boxes().empty());

  // A jam after three notes: the log says which fault, the dialog how many
  // notes left; the dispenser then stays in its error state.
  Press("Button5", 2);
  EXPECT_EQ(Window().Log().mid(12), (QStringList{"02303045323030346D03", "jam 1 or jam 2."}));
  EXPECT_EQ(BoxTexts(), QStringList{"3장 방출되었습니다."});
  Press("state", 2);
  EXPECT_EQ(Window().Log().last(), "에러상태입니다.");
  EXPECT_EQ(Window().Position("ProgressBar2"), 8 * 5);

  // Clear empties the log, without the first empty line, and the bar.
  Window().Click("Button1");
  EXPECT_EQ(Window().Log(), QStringList{});
  EXPECT_EQ(Window().Position("ProgressBar2"), 0);
  Press("Button6", 2);
  EXPECT_EQ(Window().Log(),
            (QStringList{"02303063303031338903",
                         "Read data : " + QString::fromUtf8(u8"\u240200c0013\uFFFD\u2403")}));
}

// Each reply in two writes 20 ms apart: the window shows what it shows for
// whole replies.
class ConsoleSplitReplies : public ConsoleReplies {
 protected:
  std::vector<std::string> SimArguments() const override {
    return {"--split", "--fault", "jam@2:3"};
  }
};

TEST_F(ConsoleSplitReplies, CountsAndTheDispenseDialogAppearAsForWholeReplies) {
  Window().Click("Button2");
  Press("Button5", 1);
  Press("Button6", 2);
  Press("Button5", 2);
  EXPECT_EQ(Window().Log(), (QStringList{"", "02303062303031308503", "02303063303031308603",
                                         "Read data : " + kCountReplyText, "02303045323030346D03",
                                         "jam 1 or jam 2."}));
  EXPECT_EQ(Window().Text("Edit1"), "10");
  EXPECT_EQ(Window().Text("Edit2"), "010");
  EXPECT_EQ(BoxTexts(), QStringList{"3장 방출되었습니다."});
  EXPECT_EQ(Window().Position("ProgressBar2"), 3 * 5);
}

class ConsoleErrorReplies : public SimulatedDispenser {
 protected:
  // Dispense n fails with the error of code n, after four notes.
  std::vector<std::string> SimArguments() const override {
    std::vector<std::string> faults;
    for (int code = 1; code <= 9; ++code) {
      faults.insert(faults.end(), {"--fault", std::to_string(code) + "@" + std::to_string(code)});
    }
    return faults;
  }
};

TEST_F(ConsoleErrorReplies, EveryErrorKindIsLoggedAndItsNotesToldInADialog) {
  const QString messages[] = {
      "no bills (HOST 의 요구에 의한 배출 중 에러.)",
      "jam 1 or jam 2.",
      "chain.",
      "half.",
      "short.",
      "no bills (start key의 요구에 의한 배출중 에러).",
      "double.",
      "over count 4000 pcs.",
      "E11 통신테스트 시 수신에러.",
  };
  Window().Click("Button2");
  for (int code = 1; code <= 9; ++code) {
    const qsizetype before = Window().Log().size();
    Window().Click("Button5");
    ASSERT_TRUE(LoopUntil([&] { return Window().Log().size() >= before + 2; })) << code;
    EXPECT_EQ(Window().Log().mid(before + 1), QStringList{messages[code - 1]}) << code;
    // The dispenser keeps the error until it is cleared.
    Window().Click("errclear");
    ASSERT_TRUE(LoopUntil([&] { return Window().Log().size() >= before + 4; })) << code;
  }
  // The no-notes kinds report the notes out, the mechanical ones the notes
  // out before the one they stopped on: four each time. No dialog for the
  // receive error.
  EXPECT_EQ(BoxTexts(), QStringList(8, "4장 방출되었습니다."));
  EXPECT_EQ(Window().Position("ProgressBar2"), 90);  // 18 blocks
}

// Blocks written by the test itself, one at a time, each decoded before the
// next is sent.
class ConsoleForeignReplies : public console_test::PtyFarEnd {
 protected:
  void Send(std::string_view bytes, qsizetype logLines) {
    const qsizetype before = window.Log().size();
    far.Write(bytes);
    ASSERT_TRUE(LoopUntil([&] { return window.Log().size() >= before + logLines; }));
  }
};

TEST_F(ConsoleForeignReplies, ABlockStartingWithLineFeedAsksToDealWithTheErrorFirst) {
  window.Click("Button2");
  Send(std::string_view("\x0A"
                        "00E2005\0\x03",
                        10),
       2);
  EXPECT_EQ(window.Log().mid(1), (QStringList{"0A303045323030350003", "jam 1 or jam 2."}));
  EXPECT_EQ(window.Text("Edit3"), QString::fromUtf8(u8"\u240A00E2005"));  // up to the zero byte
  ASSERT_TRUE(LoopUntil([&] { return boxes.Seen().size() >= 2; }));
  EXPECT_EQ(boxes.Seen()[0].Text, "에러를 처리하세요");
  EXPECT_EQ(boxes.Seen()[1].Text, "4장 방출되었습니다.");
  EXPECT_EQ(window.Position("ProgressBar2"), 5);
}

TEST_F(ConsoleForeignReplies, AnUnreadableCountIsShownOnceAndTheNextReplyIsStillDecoded) {
  window.Click("Button2");
  Send(std::string_view("\x02"
                        "00E30AB\0\x03",
                        10),
       3);
  // Decoded as it came, then the checksum it should have had.
  EXPECT_EQ(window.Log().mid(1),
            (QStringList{"02303045333041420003", "chain.", "체크섬 오류: 받음 00, 계산 8D"}));
  ASSERT_TRUE(LoopUntil([&] { return !boxes.Seen().empty(); }));
  EXPECT_EQ(boxes.Seen()[0].Icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.Seen()[0].Text, "'AB' is not a valid integer value");
  EXPECT_EQ(window.Position("ProgressBar2"), 0);  // no step for the failed block

  Send(
      "\x02"
      "00sr000\xD7\x03",
      2);
  EXPECT_EQ(window.Log().mid(4), (QStringList{"0230307372303030D703", "대기상태입니다."}));
  EXPECT_EQ(window.Position("ProgressBar2"), 5);
  EXPECT_EQ(boxes.Seen().size(), 1u);
  EXPECT_TRUE(window->Com1->Connected());
}

TEST_F(ConsoleForeignReplies, SplitGluedAndCutOffRepliesAreShownFrameByFrame) {
  window.Click("Button2");
  // A jam after four notes, then the count: cut and glued across three
  // writes, the window's loop running between them.
  far.Write(
      "\x02"
      "00E2");
  QTimer::singleShot(5, [&] {
    far.Write(
        "005\x6E\x03\x02"
        "00c");
  });
  QTimer::singleShot(10, [&] { far.Write("0010\x86\x03"); });
  ASSERT_TRUE(LoopUntil([&] { return window.Log().size() >= 5; }));
  EXPECT_EQ(window.Log().mid(1),
            (QStringList{"02303045323030356E03", "jam 1 or jam 2.", "02303063303031308603",
                         "Read data : " + kCountReplyText}));
  EXPECT_EQ(window.Text("Edit2"), "010");
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_EQ(boxes.Seen()[0].Text, "4장 방출되었습니다.");

  // A count that is no number, glued to a standby reply: the error is shown
  // and the standby reply still comes. Then a frame cut off for good: once.
  Send(std::string_view("\x02"
                        "00E30AB\x8D\x03"
                        "\x02"
                        "00sr000\xD7\x03"
                        "\x02"
                        "00b"),
       5);
  EXPECT_EQ(window.Log().mid(5),
            (QStringList{"02303045333041428D03", "chain.", "0230307372303030D703",
                         "대기상태입니다.", "02303062"}));
  ASSERT_TRUE(LoopUntil([&] { return boxes.Seen().size() == 2; }));
  EXPECT_EQ(boxes.Seen()[1].Text, "'AB' is not a valid integer value");
  EXPECT_EQ(window.Position("ProgressBar2"), 4 * 5);  // none for the failed block
}

}  // namespace
