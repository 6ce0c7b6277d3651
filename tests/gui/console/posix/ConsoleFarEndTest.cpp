// The window against a far end of the test's own on a pseudo-terminal
// (Linux): what is sent when nothing answers, a write that fails, blocks the
// dispenser would never send (one starting with LF, an error reply whose
// count is not a number followed by a good reply, replies glued together,
// split or cut off), and the program's command line.
#include <QTimer>

#include "tests/gui/console/ConsoleTestSupport.h"
#include "tests/integration/dispenser/SimProcess.h"
#include "tests/integration/serial/PtyPair.h"

using console_test::kCountReplyText;
using console_test::TWindow;

namespace {

// The window against a far end of the test's own on a pty pair; every
// message box is answered with OK and kept. The answerer is declared before
// the window so that it outlives it: closing the port serves what the event
// thread still has to show (a hang-up's error), and a box nobody answers
// would hold the test for good.
class PtyFarEnd : public ::testing::Test {
 protected:
  comm::testing::PtyPair far;
  TMessageBoxAnswerer boxes;
  TWindow window{far.slavePath};
};

// A far end of the test's own that never answers: only what is sent counts.
class ConsoleSending : public PtyFarEnd {};

TEST_F(ConsoleSending, SendClearResetsTheDisplayButNotTheCount) {
  window.Click("Button2");
  for (int i = 1; i <= 5; ++i) {
    window.Click("state");
    EXPECT_EQ(window.Text("Edit9"), QString::number(i));
  }
  window.Click("Button17");
  EXPECT_EQ(window.Text("Edit9"), "0");
  EXPECT_EQ(window.Position("ProgressBar1"), 0);
  window.Click("state");
  EXPECT_EQ(window.Text("Edit9"), "6");
  EXPECT_EQ(window.Position("ProgressBar1"), 5);
  EXPECT_EQ(far.Read(60).size(), 60u);
}

TEST_F(ConsoleSending, TheProgressBarStartsOverOnTheTwentyFirstCommand) {
  window.Click("Button2");
  for (int i = 1; i <= 20; ++i) window.Click("Button6");
  EXPECT_EQ(window.Position("ProgressBar1"), 100);
  window.Click("Button6");
  EXPECT_EQ(window.Position("ProgressBar1"), 5);
  EXPECT_EQ(window.Text("Edit9"), "21");
}

TEST_F(ConsoleSending, AFailedWriteIsShownAndNeitherCountedNorLogged) {
  window.Click("Button2");
  far.HangUp();
  window.Click("btnhold");
  // The write's error, shown as an error.
  const auto writeFailed = [&] {
    for (const auto& box : boxes.Seen()) {
      if (box.Text.contains("WriteFile function failed") && box.Icon == QMessageBox::Critical) {
        return true;
      }
    }
    return false;
  };
  ASSERT_TRUE(LoopUntil(writeFailed));
  EXPECT_EQ(window.Text("Edit9"), "0");
  EXPECT_EQ(window.Position("ProgressBar1"), 0);
  // The log tells of the lost device, and of nothing sent.
  ASSERT_TRUE(LoopUntil([&] { return !window->Com1->Connected(); }));
  const QStringList log = window.Log();
  ASSERT_EQ(log.size(), 2) << log.join("|").toStdString();
  EXPECT_TRUE(log[1].contains("장치 연결이 끊어졌습니다")) << log[1].toStdString();
}

// Blocks written by the test itself, one at a time, each decoded before the
// next is sent.
class ConsoleForeignReplies : public PtyFarEnd {
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

TEST(ConsoleProgram, HelpAndAWrongCommandLineNeedNoDisplay) {
  simtest::TScratchDir dir;
  const auto run = [&](std::vector<std::string> args) {
    const pid_t pid = simtest::Spawn(DISPENSER_CONSOLE, args, dir.File("out"), dir.File("err"));
    return simtest::WaitExit(pid);
  };
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_NE(simtest::ReadWholeFile(dir.File("out")).find("--port NAME"), std::string::npos);
  EXPECT_EQ(run({"--port"}), 2);
  EXPECT_NE(simtest::ReadWholeFile(dir.File("err")).find("--port needs a port name"),
            std::string::npos);
  EXPECT_EQ(run({"--baud", "9600"}), 2);
  EXPECT_NE(simtest::ReadWholeFile(dir.File("err")).find("unknown argument '--baud'"),
            std::string::npos);
}

}  // namespace
