// The six selectors as the operator uses them on ptys: a pick is the port's
// setting (the port opened is the one picked, a line setting reaches the
// kernel), and the status bar names the port really opened.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "controls/CPortCtl.h"
#include "tests/gui/console/ConsoleTestSupport.h"
#include "tests/integration/serial/PtyPair.h"

using comm::testing::PtyPair;
using console_test::kInitFailed;
using console_test::kOpened;
using console_test::SimulatedDispenser;
using console_test::TWindow;

namespace {

// A file-system root whose sys/class/tty and dev list the given ports as the
// kernel lists adapters ("pts/3": the entry "pts!3" and the node dev/pts/3).
class FakeMachine {
 public:
  explicit FakeMachine(const std::vector<std::string>& ports) {
    for (const std::string& port : ports) {
      const QString name = QString::fromStdString(port);
      FRoot.mkpath("sys/class/tty/" + QString(name).replace('/', '!') + "/device");
      const QString node = FRoot.filePath("dev/" + name);
      FRoot.mkpath(QFileInfo(node).path());
      QFile(node).open(QIODevice::WriteOnly);
    }
  }
  std::string Root() const { return FTemp.path().toStdString(); }

 private:
  QTemporaryDir FTemp;
  QDir FRoot{FTemp.path()};
};

// The selector lists the ports of a machine that has the simulator's
// terminal, one of the test's own and one that is gone by now.
class ConsoleSelectors : public SimulatedDispenser {
 protected:
  console_test::TLineKind Line() const override { return console_test::lkPty; }

  void SetUp() override {
    SimulatedDispenser::SetUp();
    machine = std::make_unique<FakeMachine>(
        std::vector<std::string>{other.SlaveName(), "ttyGONE0", PortName()});
    auto& device = Window().Control<TComComboBox>("ComComboBox5");
    device.SetPortListSource(machine->Root());
    device.SetComProperty(cpPort);
  }

  PtyPair other;
  std::unique_ptr<FakeMachine> machine;
};

TEST_F(ConsoleSelectors, ThePickedPortIsThePortOpenedAndNamed) {
  const QString otherName = QString::fromStdString(other.SlaveName());
  ASSERT_TRUE(Window().Pick("ComComboBox5", otherName));
  EXPECT_EQ(Window()->Com1->Port(), other.SlaveName());

  Window().Click("Button2");
  EXPECT_EQ(Window().Panels().mid(0, 3), (QStringList{kOpened, "Port" + otherName, "On"}));
  Window().Click("state");
  EXPECT_EQ(other.Read(10), std::string("\x02"
                                        "00S0000u\x03"));
  EXPECT_TRUE(Received().empty());
}

TEST_F(ConsoleSelectors, APickWhileOpenReopensAndTheStatusBarFollows) {
  Window().Click("Button2");
  ASSERT_TRUE(Window()->Com1->Connected());
  const QString simName = QString::fromStdString(PortName());
  const QString otherName = QString::fromStdString(other.SlaveName());

  ASSERT_TRUE(Window().Pick("ComComboBox5", otherName));
  EXPECT_TRUE(Window()->Com1->Connected());
  EXPECT_EQ(Window().Panels().mid(0, 3), (QStringList{kOpened, "Port" + otherName, "On"}));
  // The reopened port's lamp stays lit past the LED's off delay.
  QTest::qWait(300);
  EXPECT_EQ(Window().Control<TComLed>("ComLed1").State(), lsOn);
  Window().Click("Button6");
  EXPECT_EQ(other.Read(10).size(), 10u);

  // A port that cannot be opened: the error is shown, the port is closed,
  // and the status bar says so.
  ASSERT_TRUE(Window().Pick("ComComboBox5", "ttyGONE0"));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Icon, QMessageBox::Critical);
  EXPECT_FALSE(Window()->Com1->Connected());
  EXPECT_EQ(Window().Panels().mid(0, 3), (QStringList{kInitFailed, "PortttyGONE0", "대기중"}));

  // Back to the simulator: closed, so only the setting changes.
  ASSERT_TRUE(Window().Pick("ComComboBox5", simName));
  EXPECT_FALSE(Window()->Com1->Connected());
  Window().Click("Button2");
  Window().Click("state");
  EXPECT_TRUE(ReceivedCount(1));
}

TEST_F(ConsoleSelectors, PickedLineSettingsReachTheOpenLine) {
  Window().Click("Button2");
  ASSERT_TRUE(Window().Pick("ComComboBox1", "19200"));
  ASSERT_TRUE(Window().Pick("ComComboBox3", "2"));
  EXPECT_EQ(Window()->Com1->BaudRate(), br19200);
  EXPECT_EQ(Window()->Com1->StopBits(), sbTwoStopBits);

  const int fd = ::open(("/dev/" + PortName()).c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  termios line{};
  ASSERT_EQ(::tcgetattr(fd, &line), 0);
  ::close(fd);
  EXPECT_EQ(::cfgetospeed(&line), B19200);
  EXPECT_NE(line.c_cflag & CSTOPB, 0u);
  EXPECT_TRUE(Boxes().empty());
}

// In the status bar, and why in the log and panel 0's tool tip; no box.
TEST(ConsoleOpenFailure, IsToldInTheStatusBarWithItsCause) {
  TMessageBoxAnswerer boxes;
  TWindow window("ttyNOSUCH9");
  // The machine does not list it; the selector still shows the port Com1 opens.
  EXPECT_EQ(window.Control<TComComboBox>("ComComboBox5").Text(), "ttyNOSUCH9");
  window.Click("Button2");
  EXPECT_EQ(window.Panels(), (QStringList{kInitFailed, "PortttyNOSUCH9", "대기중", ""}));
  const QString cause = window.Control<TStatusBar>("StBar1").Panel(0).toolTip();
  EXPECT_EQ(
      cause,
      "/dev/ttyNOSUCH9 does not exist: the device is not connected, or the port name is wrong");
  EXPECT_TRUE(window.Log().last().endsWith("] 포트를 열 수 없습니다: " + cause));
  EXPECT_FALSE(window->Com1->Connected());
  EXPECT_EQ(window.Control<TComLed>("ComLed1").State(), lsOff);
  QTest::qWait(0);
  EXPECT_TRUE(boxes.Seen().empty());
}

}  // namespace
