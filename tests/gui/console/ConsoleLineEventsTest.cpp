// What the line did, as the window logs it: each break, line error and
// modem-line change one line in the reply log and a line event in the
// session log, between the replies around it; a burst stays a few lines.
// The test plays the dispenser's line on the simulated device itself.
#include <QFile>
#include <QRegularExpression>

#include <atomic>
#include <thread>

#include "ConsoleTestSupport.h"
#include "platform/serial/sim/SimPort.h"

using comm::sim::SimPort;
using console_test::TWindow;

namespace {

const char* const kStateReply =
    "\x02"
    "00sr000\xD7\x03";
const QStringList kStateReplyLines = {"0230307372303030D703", "대기상태입니다."};

struct TKindCase {
  const char* Name;  // as the session log names it
  std::function<void(SimPort&)> Raise;
  QString Shown;  // the reply log's line, after its time
};

const TKindCase kKinds[] = {
    {"break", [](SimPort& d) { d.InjectErrors(CE_BREAK); }, "line: break"},
    {"framing-error", [](SimPort& d) { d.InjectErrors(CE_FRAME); }, "line: framing error"},
    {"parity-error", [](SimPort& d) { d.InjectErrors(CE_RXPARITY); }, "line: parity error"},
    {"overrun", [](SimPort& d) { d.InjectErrors(CE_OVERRUN); }, "line: overrun error"},
    {"rx-overflow", [](SimPort& d) { d.InjectErrors(CE_RXOVER); }, "line: input queue overflow"},
    {"cts", [](SimPort& d) { d.SetCTS(true); }, "line: CTS on"},
    {"dsr", [](SimPort& d) { d.SetDSR(true); }, "line: DSR on"},
    {"ring", [](SimPort& d) { d.SetRing(true); }, "line: RING on"},
    {"rlsd", [](SimPort& d) { d.SetRLSD(true); }, "line: RLSD on"},
};

class ConsoleLineEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    TConsoleOptions options;
    options.Port = "LINEW1";
    options.LogFile = FScratch.filePath("session.tsv").toStdString();
    FWindow = std::make_unique<TWindow>(options);
    // Parity errors are told only by a port that checks parity.
    Window()->Com1->Parity().SetCheck(true);
    Window().Click("Button2");
    ASSERT_TRUE(FDevice.IsOpen());
  }
  void TearDown() override { FWindow.reset(); }

  TWindow& Window() { return *FWindow; }
  // The reply log's lines after the first (empty) one, times left out.
  QStringList Shown() {
    QStringList lines = Window().Log().mid(1);
    lines.replaceInStrings(QRegularExpression(R"(^\[\d\d:\d\d:\d\d\] )"), "");
    return lines;
  }
  bool ShownGrewTo(int lines) {
    return LoopUntil([&] { return Shown().size() >= lines; });
  }
  // The session log's line events and received blocks: "EVENT\tNAME\tTEXT".
  QStringList Recorded() const {
    QFile file(FScratch.filePath("session.tsv"));
    if (!file.open(QIODevice::ReadOnly)) return {"cannot read the session log"};
    QStringList recorded;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
      const QStringList fields = line.split('\t');
      if (fields.size() == 5 && (fields[1] == "line" || fields[1] == "received")) {
        recorded << fields[1] + "\t" + fields[2] + "\t" + fields[4];
      }
    }
    return recorded;
  }

  SimPort FDevice{"LINEW1"};

 private:
  QTemporaryDir FScratch;
  std::unique_ptr<TWindow> FWindow;
};

TEST_F(ConsoleLineEvents, EachKindIsOneLineBetweenTheRepliesAroundIt) {
  QStringList shown;
  QStringList recorded;
  for (const TKindCase& kind : kKinds) {
    FDevice.Feed(kStateReply);
    ASSERT_TRUE(ShownGrewTo(static_cast<int>(shown.size()) + 2)) << kind.Name;
    kind.Raise(FDevice);
    ASSERT_TRUE(ShownGrewTo(static_cast<int>(shown.size()) + 3)) << kind.Name;
    shown << kStateReplyLines << kind.Shown;
    recorded << "received\t\t" << QString("line\t") + kind.Name + "\t" + kind.Shown.mid(6);
  }
  EXPECT_EQ(Shown(), shown);
  EXPECT_EQ(Recorded(), recorded);
}

TEST_F(ConsoleLineEvents, ABurstOfFramingErrorsIsAFewLines) {
  // Each error once the window has read the one before (its ClearCommError),
  // so that each is an event of its own rather than one flag for them all;
  // until the summary is shown (a slow machine, or Wine, gets fewer of them).
  std::atomic<bool> stop{false};
  std::thread line([&] {
    for (int i = 0; i < 1'000 && !stop; ++i) {
      FDevice.ClearCalls();
      FDevice.InjectErrors(CE_FRAME);
      const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (FDevice.CountCalls(comm::sim::SimCall::ClearCommError) == 0 && !stop &&
             std::chrono::steady_clock::now() < bound) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  });
  const bool summed = LoopUntil([&] { return !Shown().filter(" × ").isEmpty(); }, 20'000);
  stop = true;
  line.join();
  ASSERT_TRUE(summed) << Shown().join("|").toStdString();
  const QStringList errors = Shown().filter("framing error");
  EXPECT_TRUE(
      QRegularExpression(R"(^line: framing error × \d+ in 1 s$)").match(errors[1]).hasMatch())
      << errors.join("|").toStdString();
  EXPECT_LT(errors.size(), 10) << errors.join("|").toStdString();
  EXPECT_EQ(Recorded().filter("\tframing-error\t").size(), errors.size());
}

}  // namespace
