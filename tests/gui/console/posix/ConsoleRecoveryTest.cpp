// The window when its device goes and comes back, against dispenser-sim on
// a link as an operator runs it: the loss shown without a box, the port
// reopened when the simulator starts again on the link (or not, with the
// option off or the operator in charge).
#include <QAction>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "console/window/PortRecovery.h"
#include "console/window/StatusTexts.h"
#include "controls/CPortCtl.h"
#include "tests/gui/console/ConsoleTestSupport.h"
#include "tests/gui/console/posix/SimLog.h"
#include "tests/integration/dispenser/SimProcess.h"


namespace {

class ConsoleRecovery : public ::testing::Test {
 protected:
  void StartSimulator() {
    sim = std::make_unique<simtest::TSimProcess>(
        std::vector<std::string>{"--link", link, "--log", scratch.File("frames.log")});
  }
  void OpenThenLose(int signal) {
    StartSimulator();
    window.Click("Button2");
    sim->Stop(signal);
    ASSERT_TRUE(LoopUntil([&] { return !window->Com1->Connected(); }));
    QCoreApplication::sendPostedEvents();  // the window's first look for the device
  }
  QStringList Panels() { return window.Panels().mid(0, 3); }
  bool LoggedAtLast(const QString& text) {
    return LoopUntil([&] { return window.Log().last().contains(text); });
  }
  // The log's last line without its time stamp, which it must have.
  QString LastLogLine() {
    const QString line = window.Log().last();
    EXPECT_TRUE(line.contains(QRegularExpression("^\\[\\d\\d:\\d\\d:\\d\\d\\] ")))
        << line.toStdString();
    return line.mid(11);
  }

  simtest::TScratchDir scratch;
  const std::string link = scratch.File("dispenser");
  const QString port = QString::fromStdString(link);
  std::unique_ptr<simtest::TSimProcess> sim;
  TMessageBoxAnswerer boxes;
  console_test::TWindow window{link};
};

// Killed (a pulled plug: the link stays behind), then stopped (the link
// goes): both times the window says so and opens the port once it is back.
TEST_F(ConsoleRecovery, ALostDeviceIsShownAndThePortReopensWhenItIsBack) {
  for (const int signal : {SIGKILL, SIGTERM}) {
    SCOPED_TRACE(signal);
    OpenThenLose(signal);
    EXPECT_EQ(Panels(), (QStringList{kDeviceLost, "Port" + port, kStandingBy}));
    EXPECT_TRUE(LoopUntil([&] { return window.Control<TComLed>("ComLed1").State() == lsOff; }));
    const QString lost = LastLogLine();
    EXPECT_TRUE(lost.startsWith("장치 연결이 끊어졌습니다: " + port + " (")) << lost.toStdString();
    EXPECT_TRUE(lost.endsWith("장치가 돌아오면 다시 엽니다.")) << lost.toStdString();

    StartSimulator();
    ASSERT_TRUE(LoopUntil([&] { return window->Com1->Connected(); }));
    EXPECT_EQ(Panels(), (QStringList{kOpened, "Port" + port, kOn}));
    EXPECT_EQ(window.Control<TComLed>("ComLed1").State(), lsOn);
    EXPECT_EQ(LastLogLine(), "장치가 다시 연결되었습니다: " + port);
    auto heard = [&] { return console_test::FramesReceived(scratch.File("frames.log")).size(); };
    const std::size_t before = heard();
    window.Click("state");
    EXPECT_TRUE(LoopUntil([&] { return heard() > before; }));
    window.Click("Button3");
  }
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(ConsoleRecovery, TheOptionOffOrTheOperatorInChargeEndsTheWait) {
  auto* option = window->findChild<QAction*>("ReconnectAction");
  ASSERT_TRUE(option != nullptr && window->actions().contains(option));  // the context menu's
  option->setChecked(false);
  OpenThenLose(SIGTERM);
  EXPECT_FALSE(window->PortRecovery->Waiting());
  EXPECT_FALSE(LastLogLine().endsWith("장치가 돌아오면 다시 엽니다."));

  option->setChecked(true);
  for (const char* button : {"Button2", "Button3"}) {  // Open COM (failing), Close COM
    OpenThenLose(SIGTERM);
    ASSERT_TRUE(window->PortRecovery->Waiting());
    window.Click(button);
    EXPECT_FALSE(window->PortRecovery->Waiting()) << button;
  }
}

// The device back on the link, but held by another program for a moment:
// the failed reopen is said with its cause and tried again later, without
// another change on the link.
TEST_F(ConsoleRecovery, AReopenThatFailsIsSaidAndTriedAgainLater) {
  OpenThenLose(SIGTERM);  // the link goes with the simulator
  sim = std::make_unique<simtest::TSimProcess>(std::vector<std::string>{
      "--link", scratch.File("elsewhere"), "--log", scratch.File("frames.log")});
  const int holder = ::open(sim->SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  std::filesystem::create_symlink(sim->SlavePath(), link);
  ASSERT_TRUE(LoggedAtLast("장치를 다시 열 수 없습니다: "));
  EXPECT_TRUE(LastLogLine().contains(" is in use by ")) << LastLogLine().toStdString();
  EXPECT_FALSE(window->Com1->Connected());
  ::close(holder);
  ASSERT_TRUE(LoggedAtLast("장치가 다시 연결되었습니다: " + port));
  EXPECT_TRUE(window->Com1->Connected());
}

}  // namespace
