// The technician's session around the window: the session log file, the
// reply time in status panel 3, the bounded reply log, and the settings
// kept from one start to the next.
#include <QRegularExpression>

#include <fstream>
#include <thread>

#include "tests/gui/console/ConsoleTestSupport.h"
#include "tests/integration/dispenser/SimProcess.h"
#include "tests/integration/dispenser/StallingLog.h"
#include "tests/integration/serial/PtyPair.h"

using console_test::OnPort;
using console_test::TWindow;

namespace {

// The events of a session log, one "event<TAB>name<TAB>hex<TAB>text" a
// line, after checking that every line has its time and that times never
// go back. A reply time reads "N ms" (in the file: to 0.01 ms).
QStringList LogEvents(const std::string& path) {
  QStringList events;
  QString last;
  const QStringList lines = QString::fromStdString(simtest::ReadWholeFile(path)).split('\n');
  for (const QString& line : lines) {
    if (line.isEmpty() || line.startsWith("# ") || line.startsWith("time\t")) continue;
    const QString time = line.section('\t', 0, 0);
    EXPECT_TRUE(
        QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$)").match(time).hasMatch())
        << line.toStdString();
    EXPECT_GE(time, last) << line.toStdString();
    last = time;
    QString event = line.section('\t', 1);
    if (event.startsWith("reply\t")) {
      EXPECT_TRUE(QRegularExpression(R"(\t\d+\.\d\d ms$)").match(event).hasMatch())
          << line.toStdString();
      event = event.section('\t', 0, 2) + "\tN ms";
    }
    events << event;
  }
  return events;
}

class ConsoleSession : public ::testing::Test {
 protected:
  simtest::TScratchDir scratch;
  comm::testing::PtyPair far;
  TMessageBoxAnswerer boxes;
  std::string logFile = scratch.File("session.tsv");
  TWindow window{[&] {
    TConsoleOptions options = OnPort(far.slavePath);
    options.NoLog = false;
    options.LogFile = logFile;
    return options;
  }()};
};

// The reply time runs to the read of the reply's last byte: a reply that
// comes 20 ms after the write is a 20 ms reply, though the log stalls while
// the window handles it.
TEST(ConsoleReplyTime, IsTakenWhenTheRepliesLastByteIsReadNotWhenItIsHandled) {
  using namespace std::chrono_literals;
  constexpr auto kAnswerAfter = 20ms;
  constexpr auto kStall = 400ms;
  simtest::TScratchDir scratch;
  comm::testing::PtyPair far;
  TMessageBoxAnswerer boxes;
  simtest::TStallingLog log(scratch.File("session.tsv"));
  TWindow window{[&] {
    TConsoleOptions options = OnPort(far.slavePath);
    options.NoLog = false;
    options.LogFile = log.Path();
    return options;
  }()};
  window.Click("Button2");
  window.Click("state");
  const auto sent = std::chrono::steady_clock::now();  // the write ended before
  ASSERT_EQ(far.Read(10).size(), 10u);
  log.Stall();
  std::thread answer([&] {
    std::this_thread::sleep_until(sent + kAnswerAfter);
    far.Write(
        "\x02"
        "00sr000\xD7\x03");
    std::this_thread::sleep_for(kStall);
    log.Release();
  });
  const bool shown = LoopUntil([&] { return window.Panels()[3].startsWith("응답 "); });
  answer.join();
  ASSERT_TRUE(shown);
  const QRegularExpressionMatch time =
      QRegularExpression("^응답 (\\d+) ms$").match(window.Panels()[3]);
  ASSERT_TRUE(time.hasMatch()) << window.Panels()[3].toStdString();
  EXPECT_GE(time.captured(1).toInt(), 20);
  EXPECT_LT(time.captured(1).toInt(), 20 + kStall.count() / 2);
  const std::string logged = log.Drained();
  EXPECT_TRUE(QRegularExpression(R"(\treply\tstate-query\t\t\d+\.\d\d ms)")
                  .match(QString::fromStdString(logged))
                  .hasMatch())
      << logged;
}

TEST_F(ConsoleSession, TheLogFileKeepsSentReceivedShownAndReplyTimesInOrder) {
  window.Click("Button2");
  window.Click("state");
  ASSERT_EQ(far.Read(10).size(), 10u);
  far.Write(
      "\x02"
      "00E2005\x6E\x03");  // a jam after four notes
  ASSERT_TRUE(LoopUntil([&] { return boxes.Seen().size() == 1; }));
  EXPECT_TRUE(QRegularExpression("^응답 \\d+ ms$").match(window.Panels()[3]).hasMatch())
      << window.Panels()[3].toStdString();

  window.Click("btnhold");  // no answer this time
  ASSERT_TRUE(LoopUntil([&] { return window.Panels()[3] == "응답 없음"; }));

  const QString port = QString::fromStdString(far.slavePath);
  EXPECT_EQ(LogEvents(logFile),
            (QStringList{
                "note\t\t\tno settings stored yet: the layout's are used",
                "opened\t" + port +
                    "\t\t9600 bit/s, 8 data bits, parity None, 1 stop bit(s), flow control Custom",
                "sent\tstate-query\t02303053303030307503\t",
                "received\t\t02303045323030356E03\t",
                "reply\tstate-query\t\tN ms",
                "shown\tEdit3\t\t␂00E2005n␃",
                "shown\tMemo1\t\t02303045323030356E03",
                "shown\tMemo1\t\tjam 1 or jam 2.",
                "shown\tdialog\t\t4장 방출되었습니다.",
                "sent\tbutton-hold-on\t0230304B313031306F03\t",
                "shown\tMemo1\t\t버튼이 홀딩 됐습니다.",
                "no-reply\tbutton-hold-on\t\tnone within 1000.0 ms",
            }));

  // The device goes.
  far.HangUp();
  ASSERT_TRUE(LoopUntil([&] { return LogEvents(logFile).size() > 12; }));
  EXPECT_EQ(LogEvents(logFile)[12],
            "lost\t" + port + "\t\tCOM Port Error: WaitForEvent method failed on " + port);
}

// Commands sent before the first reply came: each reply goes to the oldest
// waiting command it answers (its letter in lower case, or E), a reply no
// command waits for is unmatched, and a command passed over still times out.
TEST_F(ConsoleSession, RepliesGoToTheCommandsTheyAnswerAndEveryCommandGetsItsOutcome) {
  auto exchanges = [&] {
    QStringList lines;
    for (const QString& event : LogEvents(logFile)) {
      if (!event.startsWith("shown\t") && !event.startsWith("received\t")) lines << event;
    }
    return lines.mid(2);  // after the settings' note and "opened"
  };
  window.Click("Button2");
  window.Click("state");
  window.Click("Button6");  // count-query
  ASSERT_EQ(far.Read(20).size(), 20u);
  // Standby, the count, and a second count that nothing asked for.
  far.Write(
      "\x02"
      "00sr000\xD7\x03"
      "\x02"
      "00c0010\x86\x03"
      "\x02"
      "00c0010\x86\x03");
  ASSERT_TRUE(LoopUntil([&] { return exchanges().size() == 5; }));
  EXPECT_TRUE(QRegularExpression("^응답 \\d+ ms$").match(window.Panels()[3]).hasMatch())
      << window.Panels()[3].toStdString();

  window.Click("btnhold");  // never answered
  window.Click("state");
  ASSERT_EQ(far.Read(20).size(), 20u);
  far.Write(
      "\x02"
      "00sr000\xD7\x03");
  ASSERT_TRUE(LoopUntil([&] { return exchanges().size() == 9; }));
  EXPECT_EQ(exchanges(), (QStringList{
                             "sent\tstate-query\t02303053303030307503\t",
                             "sent\tcount-query\t02303043303030306503\t",
                             "reply\tstate-query\t\tN ms",
                             "reply\tcount-query\t\tN ms",
                             "unmatched\t\t02303063303031308603\ta reply no command waited for",
                             "sent\tbutton-hold-on\t0230304B313031306F03\t",
                             "sent\tstate-query\t02303053303030307503\t",
                             "reply\tstate-query\t\tN ms",
                             "no-reply\tbutton-hold-on\t\tnone within 1000.0 ms",
                         }));

  window.Click("Button6");  // answered by a frame whose rest never comes
  ASSERT_EQ(far.Read(10).size(), 10u);
  far.Write("\x02" "00c00");
  ASSERT_TRUE(LoopUntil([&] { return exchanges().size() == 11; }));
  EXPECT_EQ(exchanges().mid(9), (QStringList{"sent\tcount-query\t02303043303030306503\t",
                                             "no-reply\tcount-query\t\tnone within 1000.0 ms"}));
}

TEST_F(ConsoleSession, TheReplyLogKeepsOnlyItsLastLinesAndSavesThem) {
  auto& memo = window.Control<TMemo>("Memo1");
  for (int i = 0; i < TForm1::kLogLines + 10; ++i) memo.AddLine(QString::number(i));
  EXPECT_EQ(memo.LineCount(), TForm1::kLogLines);
  EXPECT_EQ(memo.Lines().first(), "10");  // the first empty line and 0 to 9 have gone
  EXPECT_EQ(memo.Lines().last(), QString::number(TForm1::kLogLines + 9));

  // "Save log as…" saves what is shown.
  ASSERT_TRUE(SaveVisibleLines(memo, QString::fromStdString(scratch.File("saved.txt"))));
  EXPECT_EQ(QString::fromStdString(simtest::ReadWholeFile(scratch.File("saved.txt"))),
            memo.Lines().join('\n') + '\n');
}

TEST(ConsoleSessionLog, LogOptionsNameAFileOrTurnTheLogOffButNotBoth) {
  EXPECT_EQ(ParseConsoleOptions(std::vector<std::string_view>{"--log=a b.tsv"}).LogFile, "a b.tsv");
  EXPECT_TRUE(ParseConsoleOptions(std::vector<std::string_view>{"--no-log"}).NoLog);
  for (const auto& wrong : std::vector<std::vector<std::string_view>>{
           {"--log"}, {"--log="}, {"--log", "x.tsv", "--no-log"}}) {
    EXPECT_THROW(ParseConsoleOptions(wrong), EConsoleUsage) << wrong.front();
  }
}

// The window on ttyS5 with its session log at `logFile` in the scratch
// folder, which holds a plain file "plain" where a folder could be expected.
TConsoleOptions LoggingBesideAPlainFile(simtest::TScratchDir& scratch, const std::string& logFile) {
  std::ofstream(scratch.File("plain")) << "a file, not a folder";
  TConsoleOptions options = OnPort("ttyS5");
  options.NoLog = false;
  options.LogFile = scratch.File(logFile);
  return options;
}

TEST(ConsoleSessionLog, AFileThatCannotBeWrittenIsALineOfTheReplyLogNotAFailedStart) {
  simtest::TScratchDir scratch;
  TWindow window(LoggingBesideAPlainFile(scratch, "plain/session.tsv"));
  ASSERT_EQ(window.Log().size(), 2);
  EXPECT_TRUE(
      window.Log()[1].startsWith("세션 로그를 기록할 수 없습니다: Cannot create the folder"))
      << window.Log()[1].toStdString();
}

// Each start on the store of the one before; a damaged store still starts.
TEST(ConsoleSettings, PortAndLineSettingsSurviveARestartAndADamagedStoreFallsBackToTheLayout) {
  simtest::TScratchDir scratch;
  const std::string store = scratch.File("registry");
  TConsoleOptions noPort = OnPort("");
  {
    TWindow first(OnPort("ttyS5"), store);
    ASSERT_TRUE(first.Pick("ComComboBox1", "19200"));
    first->close();
  }
  {
    TWindow second(noPort, store);
    EXPECT_EQ(second->Com1->Port(), "ttyS5");
    EXPECT_EQ(second->Com1->BaudRate(), br19200);
    EXPECT_EQ(second.Log(), QStringList{""});
  }
  {
    TWindow third(OnPort("ttyS6"), store);  // --port wins
    EXPECT_EQ(third->Com1->Port(), "ttyS6");
    EXPECT_EQ(third->Com1->BaudRate(), br19200);
  }
  // A port name, then a rate stored as a number: read halfway, then refused.
  std::ofstream(store) << "[HKEY_CURRENT_USER\\Software\\dispenser-console\\Com1]\n"
                          "\"Port\"=\"ttyS7\"\n\"BaudRate\"=dword:00000005\n";
  TWindow damaged(noPort, store);
  EXPECT_EQ(damaged->Com1->Port(), "COM1");
  EXPECT_EQ(damaged->Com1->BaudRate(), br9600);
  ASSERT_EQ(damaged.Log().size(), 2);
  EXPECT_TRUE(damaged.Log()[1].startsWith("저장된 설정을 읽을 수 없어 기본 설정을 사용합니다: "))
      << damaged.Log()[1].toStdString();
}

// The store cannot be written when the window closes: the operator reads
// why, and the session log keeps it.
TEST(ConsoleSettings, SettingsThatCannotBeStoredAtCloseAreALineOfTheLogAndTheFile) {
  simtest::TScratchDir scratch;
  const TConsoleOptions options = LoggingBesideAPlainFile(scratch, "session.tsv");
  TWindow window(options, scratch.File("plain/registry"));
  window->close();
  const QStringList failed = window.Log().filter("설정을 저장할 수 없습니다: ");
  ASSERT_EQ(failed.size(), 1) << window.Log().join('\n').toStdString();
  EXPECT_TRUE(failed[0].contains("plain")) << failed[0].toStdString();
  EXPECT_TRUE(LogEvents(options.LogFile).contains("shown\tMemo1\t\t" + failed[0]));
}

}  // namespace
