// The window when its device goes and comes back, against dispenser-sim on
// a link as an operator runs it: the loss shown without a box, the port
// reopened when the simulator starts again on the link (or not, with the
// option off or the operator in charge).
#include <QAction>

#include "console/PortRecovery.h"
#include "console/StatusTexts.h"
#include "controls/CPortCtl.h"
#include "tests/gui/console/ConsoleTestSupport.h"
#include "tests/gui/console/posix/SimLog.h"
#include "tests/integration/dispenser/SimProcess.h"

using console_test::LoopUntil;

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
  }
  QStringList Panels() { return window.Panels().mid(0, 3); }
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

}  // namespace
