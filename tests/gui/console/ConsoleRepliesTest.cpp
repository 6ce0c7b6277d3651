// What the dispenser answers, as the window shows it: every reply kind of
// the virtual dispenser decoded into the log, the count fields, the dialogs
// and the reply progress bar, also when each reply comes in two pieces.
#include "ConsoleTestSupport.h"

using console_test::SimulatedDispenser;
using console_test::kCountReplyText;
using console_test::TWindow;

namespace {

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

CONSOLE_TESTS_ON_EVERY_LINE(ConsoleReplies);

TEST_P(ConsoleReplies, StateHoldCountAndDispenseRepliesReachTheirControls) {
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
  void ExpectShownAsWhole();
};

CONSOLE_TESTS_ON_EVERY_LINE(ConsoleSplitReplies);

TEST_P(ConsoleSplitReplies, CountsAndTheDispenseDialogAppearAsForWholeReplies) {
  ExpectShownAsWhole();
}

// In the line's time, each reply handed on as a 16550 would: 8 + 2 bytes.
class ConsoleUartReplies : public ConsoleSplitReplies {
 protected:
  std::vector<std::string> SimArguments() const override {
    return {"--receiver", "uart", "--fault", "jam@2:3"};
  }
};

CONSOLE_TESTS_ON_EVERY_LINE(ConsoleUartReplies);

TEST_P(ConsoleUartReplies, CountsAndTheDispenseDialogAppearAsForWholeReplies) {
  ExpectShownAsWhole();
}

// Each reply shown once, as whole replies are.
void ConsoleSplitReplies::ExpectShownAsWhole() {
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

CONSOLE_TESTS_ON_EVERY_LINE(ConsoleErrorReplies);

TEST_P(ConsoleErrorReplies, EveryErrorKindIsLoggedAndItsNotesToldInADialog) {
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

}  // namespace
