// The window's own behaviour: how it starts, opening and closing with the
// status texts and the animation, the eight command buttons, the send
// counter and its progress bar, a port that cannot be opened, and exit.
#include <QEvent>

#include "ConsoleTestSupport.h"
#include "controls/CPortCtl.h"

using console_test::kClosed;
using console_test::kInitFailed;
using console_test::kOpened;
using console_test::SimulatedDispenser;
using console_test::TWindow;

namespace {

// The eight command buttons, the frame each sends and the log line after it.
struct CommandButton {
  const char* Button;
  const char* Frame;
  const char* LogLine;
};
const CommandButton kCommandButtons[] = {
    {"Button5", "02303042303030336703", nullptr},
    {"Button6", "02303043303030306503", nullptr},
    {"Button7", "0230304B303030306D03", "버튼홀딩이 해제 됐습니다."},
    {"cntclear", "02303049303030316C03", "카운터가 클리어 됐습니다."},
    {"errclear", "02303049303030326D03", "에러가 클리어 됐습니다."},
    {"cnterrclr", "02303049303030336E03", "카운터와 에러가 클리어 됐습니다."},
    {"btnhold", "0230304B313031306F03", "버튼이 홀딩 됐습니다."},
    {"state", "02303053303030307503", nullptr},
};

class ConsoleWindow : public SimulatedDispenser {};

CONSOLE_TESTS_ON_EVERY_LINE(ConsoleWindow);

TEST_P(ConsoleWindow, StartsClosedWithTheStoredSettingsAndTheCommandLinesPort) {
  TForm1& form = Window().Form();
  EXPECT_EQ(form.windowTitle(), "Form1");
  EXPECT_EQ(form.size(), QSize(592, 525));
  EXPECT_FALSE(form.Loading());

  TComPort& port = *form.Com1;
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Port(), PortName());
  EXPECT_EQ(port.BaudRate(), br9600);
  EXPECT_TRUE(port.Parity().Replace());
  EXPECT_EQ(port.FlowControl().ControlDTR(), dtrEnable);
  EXPECT_EQ(port.FlowControl().ControlRTS(), rtsEnable);
  EXPECT_EQ(port.Events(), TComEvents::All());
  EXPECT_EQ(form.Timer1->Interval(), 10u);

  // The selectors and the LED are bound and show the port's values.
  const std::pair<const char*, QString> shown[] = {
      {"ComComboBox1", "9600"},
      {"ComComboBox2", "8"},
      {"ComComboBox3", "1"},
      {"ComComboBox4", "None"},
      {"ComComboBox5", QString::fromStdString(PortName())},
  };
  for (const auto& [name, text] : shown) {
    auto& selector = Window().Control<TComComboBox>(name);
    EXPECT_EQ(selector.ComPort(), &port) << name;
    EXPECT_TRUE(selector.AutoApply()) << name;
    EXPECT_EQ(QString::fromStdString(selector.Text()), text) << name;
  }
  auto& flow = Window().Control<TComComboBox>("ComComboBox6");
  EXPECT_EQ(flow.Text(), FlowControlToText(port.FlowControl().FlowControl()));
  auto& led = Window().Control<TComLed>("ComLed1");
  EXPECT_EQ(led.ComPort(), &port);
  EXPECT_EQ(led.RingDuration(), 0);
  EXPECT_EQ(led.State(), lsOff);

  EXPECT_EQ(Window().Log(), QStringList{""});  // one empty line
  EXPECT_EQ(Window().Text("Edit9"), "0");
  EXPECT_EQ(Window().Panels(), (QStringList{"", "", "", ""}));
  ASSERT_NE(form.ProgressBar3, nullptr);
  EXPECT_TRUE(form.ProgressBar3->isHidden());
  EXPECT_EQ(form.ProgressBar3->value(), 0);
  EXPECT_EQ(form.ProgressBar3->parentWidget(), &Window().Control<TStatusBar>("StBar1"));
  // The timer runs from the start and stops by itself.
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_TRUE(LoopUntil([&] { return !form.Timer1->Enabled(); }));
  EXPECT_TRUE(form.ProgressBar3->isHidden());
}

TEST_P(ConsoleWindow, EveryCommandWhileClosedAsksToOpenThePortFirstAndChangesNothing) {
  for (const CommandButton& command : kCommandButtons) Window().Click(command.Button);

  ASSERT_EQ(Boxes().size(), std::size(kCommandButtons));
  for (const auto& box : Boxes()) {
    EXPECT_EQ(box.Text, "포트를 먼저 열어주세요");
    EXPECT_EQ(box.Icon, QMessageBox::NoIcon);
  }
  EXPECT_EQ(Window()->SendCount(), 0);
  EXPECT_EQ(Window().Text("Edit9"), "0");
  EXPECT_EQ(Window().Position("ProgressBar1"), 0);
  EXPECT_EQ(Window().Log(), QStringList{""});
  EXPECT_FALSE(Window()->Com1->Connected());
  EXPECT_TRUE(Received().empty());
}

TEST_P(ConsoleWindow, OpenAndCloseShowTheirOutcomeThePortAndItsState) {
  const QString port = "Port" + QString::fromStdString(PortName());
  Window().Click("Button2");
  EXPECT_TRUE(Window()->Com1->Connected());
  EXPECT_EQ(Window().Panels(), (QStringList{kOpened, port, "On", ""}));
  EXPECT_EQ(Window().Control<TComLed>("ComLed1").State(), lsOn);

  // Again while open: the same port stays open, the same texts.
  Window().Click("Button2");
  EXPECT_TRUE(Window()->Com1->Connected());
  EXPECT_EQ(Window().Panels(), (QStringList{kOpened, port, "On", ""}));

  Window().Click("Button3");
  EXPECT_FALSE(Window()->Com1->Connected());
  EXPECT_EQ(Window().Panels(), (QStringList{kClosed, port, "대기중", ""}));
  EXPECT_TRUE(LoopUntil([&] { return Window().Control<TComLed>("ComLed1").State() == lsOff; }));

  // Closing a closed port says the same.
  Window().Click("Button3");
  EXPECT_EQ(Window().Panels(), (QStringList{kClosed, port, "대기중", ""}));
  EXPECT_TRUE(Boxes().empty());
}

TEST_P(ConsoleWindow, AStatusAnimationFillsInTenTicksAndHidesOnTheEleventh) {
  TForm1& form = Window().Form();
  ASSERT_TRUE(LoopUntil([&] { return !form.Timer1->Enabled(); }));  // the start-up run

  // Every tick from the click on, as the operator would see the bar after it.
  struct Tick {
    int position;
    bool shown;
  };
  std::vector<Tick> ticks;
  const TNotifyEvent handler = form.Timer1->OnTimer;
  form.Timer1->OnTimer = [&](TObject* sender) {
    handler(sender);
    ticks.push_back({form.ProgressBar3->value(), !form.ProgressBar3->isHidden()});
  };
  for (const char* button : {"Button2", "Button3"}) {
    ticks.clear();
    Window().Click(button);
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_EQ(form.ProgressBar3->geometry(), QRect(0, 0, 350, 20));
    ASSERT_TRUE(LoopUntil([&] { return !form.Timer1->Enabled(); }));
    ASSERT_EQ(ticks.size(), 11u) << button;
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(ticks[i].position, 10 * (i + 1)) << button << " tick " << i + 1;
      EXPECT_TRUE(ticks[i].shown) << button << " tick " << i + 1;
    }
    EXPECT_EQ(ticks[10].position, 0) << button;
    EXPECT_FALSE(ticks[10].shown) << button;
  }
}

TEST_P(ConsoleWindow, EachButtonSendsItsFrameCountsItAndLogsItsLine) {
  Window().Click("Button2");
  QStringList expectedLog{""};
  std::vector<std::string> expectedFrames;
  int sent = 0;
  for (const CommandButton& command : kCommandButtons) {
    Window().Click(command.Button);
    ++sent;
    EXPECT_EQ(Window().Text("Edit9"), QString::number(sent)) << command.Button;
    EXPECT_EQ(Window().Position("ProgressBar1"), 5 * sent) << command.Button;
    if (command.LogLine) {
      EXPECT_EQ(Window().Log().last(), command.LogLine) << command.Button;
    }
    expectedFrames.push_back(command.Frame);
    ASSERT_TRUE(ReceivedCount(expectedFrames.size())) << command.Button;
  }
  EXPECT_EQ(Received(), expectedFrames);
  EXPECT_EQ(Window()->SendCount(), 8);
  EXPECT_TRUE(Boxes().empty());
}

TEST_P(ConsoleWindow, ExitClosesThePortBeforeTheWindow) {
  TForm1& form = Window().Form();
  form.show();
  Window().Click("Button2");
  ASSERT_TRUE(form.Com1->Connected());

  // What the port was when the window was told to close.
  struct CloseWatch : QObject {
    TComPort* port;
    int closes = 0;
    bool portOpen = true;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Close) {
        ++closes;
        portOpen = port->Connected();
      }
      return false;
    }
  } watch;
  watch.port = form.Com1;
  form.installEventFilter(&watch);

  Window().Click("Button4");
  EXPECT_EQ(watch.closes, 1);
  EXPECT_FALSE(watch.portOpen);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(Boxes().empty());
  form.removeEventFilter(&watch);
}

TEST(ConsoleProgram, PortOptionInBothForms) {
  const std::vector<std::string_view> spaced{"--port", "ttyUSB0"};
  EXPECT_EQ(ParseConsoleOptions(spaced).Port, "ttyUSB0");
  const std::vector<std::string_view> joined{"--port=/dev/pts/3"};
  EXPECT_EQ(ParseConsoleOptions(joined).Port, "/dev/pts/3");
  const std::vector<std::string_view> empty{"--port="};
  EXPECT_THROW(ParseConsoleOptions(empty), EConsoleUsage);
}

}  // namespace
