// The console window against dispenser-sim on a link while the simulator
// is taken away and started again, as an operator pulls a USB adapter and
// plugs it back, with the reconnect option on (its default). Each cycle:
//   the simulator is killed (odd cycles) or stopped (even cycles); the
//   window must show the loss by itself (port closed, "장치 연결이 끊어졌습니다."
//   in the status bar, LED dark, no message box);
//   the simulator starts again on the same link; the window must open the
//   port again by itself and a state query must be answered.
// Every wait has a 10 s bound: a cycle that runs into it is a hang and ends
// the run. Reported: cycles, hangs, message boxes, the time from the pull to
// the port closed and to the LED dark, from the restart to the port open
// again, the process's CPU time, CPU and context switches over an idle
// second while the window waits for the device (no spin), open descriptors
// and threads after the first cycle and after the last.
// Usage: reconnect_bench [cycles (100)]   (QT_QPA_PLATFORM=offscreen by default)
#include <QAbstractButton>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>

#include <dirent.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/common/Percentile.h"
#include "bench/common/TaskSwitches.h"
#include "console/widgets/Memo.h"
#include "console/widgets/StatusBar.h"
#include "console/window/MainForm.h"
#include "console/window/PortRecovery.h"
#include "console/window/StatusTexts.h"
#include "controls/CPortCtl.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/core/LoopUntil.h"
#include "platform/runtime/Registry.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int Entries(const char* folder) {
  int count = 0;
  if (DIR* dir = opendir(folder)) {
    while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
  }
  return count;
}

// Counts the message boxes shown and answers each.
class BoxCounter : public QObject {
 public:
  int shown = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* box = qobject_cast<QMessageBox*>(watched)) {
        ++shown;
        std::fprintf(stderr, "box: %s\n", box->text().toUtf8().constData());
        QMetaObject::invokeMethod(
            box, [box] { box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

bool StartSimulator(QProcess& sim, const QString& link) {
  sim.start(DISPENSER_SIM, {"--link", link, "--fast"});
  return sim.waitForReadyRead(10'000);  // the terminal's path, once the link is in place
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 100;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  GuardedApplication qt(argc, argv);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  BoxCounter boxes;
  qt.installEventFilter(&boxes);

  QTemporaryDir scratch;
  const QString link = scratch.filePath("dispenser");
  QProcess sim;
  if (!StartSimulator(sim, link)) {
    std::fprintf(stderr, "reconnect_bench: %s did not start\n", DISPENSER_SIM);
    return 1;
  }
  // The window as on a first start, writing no session log of its own.
  TRegistry::SetStoreFile(scratch.filePath("registry").toStdString());
  TConsoleOptions options;
  options.Port = link.toStdString();
  options.NoLog = true;
  TForm1 form(nullptr, options);
  form.show();
  TComPort& port = *form.Com1;
  auto& panel = form.findChild<TStatusBar*>("StBar1")->Panel(0);
  auto& led = *form.findChild<TComLed*>("ComLed1");
  auto* memo = form.findChild<TMemo*>("Memo1");
  form.findChild<QAbstractButton*>("Button2")->click();
  if (!port.Connected()) {
    std::fprintf(stderr, "reconnect_bench: the port did not open\n");
    return 1;
  }
  auto answered = [&] {
    const int lines = memo->LineCount();
    form.findChild<QAbstractButton*>("state")->click();
    return LoopUntil([&] { return memo->LineCount() >= lines + 2; });  // hex line, decoded line
  };

  Clock::time_point closed;
  port.SetOnAfterClose([&](TObject*) { closed = Clock::now(); });

  // Descriptors and threads counted after the first cycle, when whatever the
  // toolkit starts on first use runs already.
  int fdsBefore = 0, threadsBefore = 0;
  const double cpuBefore = CpuSeconds();
  std::vector<double> toClosed, toLoss, toReopen;
  int done = 0, hangs = 0;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    if (cycle == 2) {
      fdsBefore = Entries("/proc/self/fd");
      threadsBefore = Entries("/proc/self/task");
    }
    const Clock::time_point pulled = Clock::now();
    if (cycle % 2 != 0) {
      sim.kill();
    } else {
      sim.terminate();
    }
    sim.waitForFinished(10'000);
    const bool lost = LoopUntil(
        [&] { return !port.Connected() && panel.text() == kDeviceLost && led.State() == lsOff; });
    toLoss.push_back(Ms(Clock::now() - pulled));
    toClosed.push_back(Ms(closed - pulled));
    const Clock::time_point restarted = Clock::now();
    const bool back = lost && StartSimulator(sim, link) &&
                      LoopUntil([&] { return port.Connected() && panel.text() == kOpened; });
    toReopen.push_back(Ms(Clock::now() - restarted));
    if (!back || !answered()) {
      std::fprintf(stderr, "reconnect_bench: cycle %d did not end open (%s)\n", cycle,
                   lost ? "not reopened" : "loss not shown");
      ++hangs;
      break;
    }
    ++done;
  }
  const double cpuCycles = CpuSeconds() - cpuBefore;
  const int fdsAfter = Entries("/proc/self/fd");
  const int threadsAfter = Entries("/proc/self/task");

  // Pulled once more and left out: the window waits for the device.
  sim.kill();
  sim.waitForFinished(10'000);
  LoopUntil([&] { return !port.Connected() && form.PortRecovery->Waiting(); });
  LoopUntil([&] { return led.State() == lsOff; });
  const auto switchesBefore = ReadTaskSwitches();
  const double idleCpuBefore = CpuSeconds();
  LoopUntil([] { return false; }, 1000, 0);
  const double idleCpu = CpuSeconds() - idleCpuBefore;
  const long idleSwitches = SwitchesBetween(switchesBefore, ReadTaskSwitches());

  std::printf("reconnect_bench: %d of %d cycles ended open again, %d hangs, %d message boxes\n",
              done, cycles, hangs, boxes.shown);
  std::printf("  pull -> port closed    median %7.1f ms  p99 %7.1f ms  max %7.1f ms\n",
              Median(toClosed), Percentile(toClosed, 0.99), Percentile(toClosed, 1.0));
  std::printf(
      "  pull -> LED dark       median %7.1f ms  p99 %7.1f ms  max %7.1f ms"
      "  (the LED's off delay is 100 ms)\n",
      Median(toLoss), Percentile(toLoss, 0.99), Percentile(toLoss, 1.0));
  std::printf("  restart -> open again  median %7.1f ms  p99 %7.1f ms  max %7.1f ms\n",
              Median(toReopen), Percentile(toReopen, 0.99), Percentile(toReopen, 1.0));
  std::printf("  CPU over the cycles    %.2f s (%.1f ms per cycle)\n", cpuCycles,
              done > 0 ? 1000 * cpuCycles / done : 0.0);
  std::printf("  idle second, waiting   CPU %.1f ms, %ld context switches\n", 1000 * idleCpu,
              idleSwitches);
  std::printf("  descriptors            %d after the first cycle, %d after the last\n", fdsBefore,
              fdsAfter);
  std::printf("  threads                %d after the first cycle, %d after the last\n",
              threadsBefore, threadsAfter);
  form.Com1->Close();
  return done == cycles && boxes.shown == 0 ? 0 : 1;
}
