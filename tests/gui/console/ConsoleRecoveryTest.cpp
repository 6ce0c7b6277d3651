// The window when its device goes and comes back, against dispenser-sim on
// a link as an operator runs it: the loss shown without a box, the port
// reopened when the simulator starts again on the same link (or not, with
// the option off), and a failed Open COM telling why.
#include <QAction>
#include <QRegularExpression>

#include "ConsoleTestSupport.h"
#include "console/PortRecovery.h"
#include "console/StatusTexts.h"
#include "controls/CPortCtl.h"
#include "platform/serial/OpenFailure.h"

using console_test::LoopUntil;
using console_test::TWindow;

namespace {

class ConsoleRecovery : public ::testing::Test {
 protected:
  void StartSimulator() {
    sim = std::make_unique<simtest::TSimProcess>(
        std::vector<std::string>{"--link", link, "--log", scratch.File("frames.log")});
  }
  QStringList Panels() { return window.Panels().mid(0, 3); }
  QString LastLogLine() { return window.Log().last(); }
  TComLed& Led() { return window.Control<TComLed>("ComLed1"); }
  // The state query answered through the port: it is open and works.
  bool Answers() {
    const std::size_t before = console_test::FramesReceived(scratch.File("frames.log")).size();
    window.Click("state");
    return LoopUntil(
        [&] { return console_test::FramesReceived(scratch.File("frames.log")).size() > before; });
  }

  simtest::TScratchDir scratch;
  const std::string link = scratch.File("dispenser");
  std::unique_ptr<simtest::TSimProcess> sim;
  TMessageBoxAnswerer boxes;
  TWindow window{link};
  const QString port = QString::fromStdString(link);
};

const QRegularExpression kStamp("^\\[\\d\\d:\\d\\d:\\d\\d\\] ");

TEST_F(ConsoleRecovery, ALostDeviceIsShownAndThePortReopensWhenItIsBack) {
  StartSimulator();
  window.Click("Button2");
  ASSERT_TRUE(window->Com1->Connected());
  ASSERT_TRUE(window->PortRecovery->Reconnect());  // on by default
  // Killed (as a pulled plug, the link stays behind), then stopped cleanly
  // (the link goes): both come back.
  for (const int signal : {SIGKILL, SIGTERM}) {
    SCOPED_TRACE(signal);
    sim->Stop(signal);
    ASSERT_TRUE(LoopUntil([&] { return !window->Com1->Connected(); }));
    EXPECT_EQ(Panels(), (QStringList{kDeviceLost, "Port" + port, kStandingBy}));
    EXPECT_TRUE(LoopUntil([&] { return Led().State() == lsOff; }));  // after its off delay
    EXPECT_TRUE(LastLogLine().contains(kStamp)) << LastLogLine().toStdString();
    EXPECT_TRUE(LastLogLine().contains("장치 연결이 끊어졌습니다: " + port + " ("))
        << LastLogLine().toStdString();
    EXPECT_TRUE(LastLogLine().endsWith("장치가 돌아오면 다시 엽니다."));
    EXPECT_TRUE(window->PortRecovery->Waiting());

    StartSimulator();
    ASSERT_TRUE(LoopUntil([&] { return window->Com1->Connected(); }));
    EXPECT_EQ(Panels(), (QStringList{kOpened, "Port" + port, kOn}));
    EXPECT_EQ(Led().State(), lsOn);
    EXPECT_EQ(LastLogLine().mid(11), "장치가 다시 연결되었습니다: " + port);
    EXPECT_FALSE(window->PortRecovery->Waiting());
    EXPECT_TRUE(Answers());
  }
  EXPECT_TRUE(boxes.Seen().empty()) << boxes.Seen().front().Text.toStdString();
}

TEST_F(ConsoleRecovery, WithTheOptionOffThePortWaitsForTheOperator) {
  auto* option = window->findChild<QAction*>("ReconnectAction");
  ASSERT_NE(option, nullptr);
  EXPECT_TRUE(window->actions().contains(option));  // in the window's context menu
  option->setChecked(false);
  StartSimulator();
  window.Click("Button2");
  sim->Stop(SIGTERM);
  ASSERT_TRUE(LoopUntil([&] { return !window->Com1->Connected(); }));
  EXPECT_FALSE(LastLogLine().endsWith("장치가 돌아오면 다시 엽니다."));
  EXPECT_FALSE(window->PortRecovery->Waiting());
  StartSimulator();
  window.Click("Button2");
  EXPECT_EQ(Panels(), (QStringList{kOpened, "Port" + port, kOn}));
  EXPECT_TRUE(Answers());
}

TEST_F(ConsoleRecovery, OpeningOrClosingByHandEndsTheWait) {
  StartSimulator();
  window.Click("Button2");
  sim->Stop(SIGTERM);
  ASSERT_TRUE(LoopUntil([&] { return window->PortRecovery->Waiting(); }));
  window.Click("Button3");
  EXPECT_FALSE(window->PortRecovery->Waiting());
  EXPECT_EQ(Panels(), (QStringList{kClosed, "Port" + port, kStandingBy}));

  StartSimulator();
  window.Click("Button2");
  sim->Stop(SIGTERM);
  ASSERT_TRUE(LoopUntil([&] { return window->PortRecovery->Waiting(); }));
  window.Click("Button2");  // the device is not back: Open COM fails, and the wait ends
  EXPECT_FALSE(window->PortRecovery->Waiting());
  EXPECT_EQ(Panels()[0], kInitFailed);
}

// Open COM on a port that cannot be opened: the status bar as always, the
// cause in the log and as panel 0's tool tip.
TEST_F(ConsoleRecovery, AFailedOpenTellsWhy) {
  StartSimulator();
  TComPort other(nullptr);
  other.SetPort(link);
  other.Open();
  const std::pair<std::string, std::string> cases[] = {
      {scratch.File("no-such"), comm::OpenFailureCause(scratch.File("no-such"), ENOENT)},
      {"/dev/null", "/dev/null is a device, but not a serial one"},
      {link, link + " is in use by this program"},
  };
  for (const auto& [name, cause] : cases) {
    window->Com1->SetPort(name);
    window.Click("Button2");
    EXPECT_EQ(window.Panels()[0], kInitFailed);
    auto& panel = window.Control<TStatusBar>("StBar1").Panel(0);
    EXPECT_EQ(panel.toolTip().toStdString(), cause);
    EXPECT_EQ(LastLogLine().mid(11).toStdString(), "포트를 열 수 없습니다: " + cause);
  }
  EXPECT_TRUE(boxes.Seen().empty());
}

}  // namespace
