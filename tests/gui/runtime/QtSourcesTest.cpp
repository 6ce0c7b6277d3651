// The device wait in Qt's loop (Qt Core only, as a program without a
// window), on the simulated device, on every system (the loop sleeps on
// descriptors on POSIX, on handles on Windows): batches reach the handlers
// from the loop's own sleep and from a loop that only looks in passing, never
// inside a batch that runs a loop of its own. A terminal's replies:
// posix/QtSourcesPtyTest.cpp.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>

#include <string>
#include <vector>

#include "platform/loop/LoopSource.h"
#include "platform/qt/core/QtLoopBackend.h"
#include "platform/runtime/LoopSources.h"
#include "platform/runtime/Threads.h"
#include "platform/serial/sim/SimPort.h"
#include "serial/CPort.h"
#include "serial/ComEventWait.h"

namespace {

QtLoopBackend& Backend() {
  return static_cast<QtLoopBackend&>(Application->Backend());
}

// Runs a loop of its own until quit, with a generous safety time-out.
void RunLoop(QEventLoop& loop) {
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

class QtSourcesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    port.SetPort("SIM1");
    port.SetWaitInMainLoop(true);
    journal.clear();
  }
  void cleanup() {
    port.Close();
    port.SetOnRxChar(nullptr);
    QVERIFY(QTest::qWaitFor([] { return TComEventWait::Count() == 0; }, 20000));
  }

  void aBatchIsHandledFromTheLoopsSleepWithNothingHandedOver() {
    QEventLoop loop;
    port.SetOnRxChar([&](TObject*, std::int32_t count) {
      journal.push_back(Take(count) + (MainThread::IsCurrent() ? " main" : " elsewhere"));
      loop.quit();
    });
    port.Open();
    const int wakes = Backend().WakeEventsPosted();
    sim.Feed("x");
    RunLoop(loop);
    QCOMPARE(journal, std::vector<std::string>{"x main"});
    QCOMPARE(Backend().WakeEventsPosted(), wakes);
  }

  void aLoopThatOnlyLooksInPassingGetsTheBatchToo() {
    port.SetOnRxChar([&](TObject*, std::int32_t count) { journal.push_back(Take(count)); });
    port.Open();
    sim.Feed("y");
    QVERIFY(QTest::qWaitFor([&] { return !journal.empty(); }, 20000));
    QCOMPARE(journal, std::vector<std::string>{"y"});
  }

  void aBatchThatRunsALoopOfItsOwnGetsNoOtherBatchInsideIt() {
    QEventLoop outer;
    port.SetOnRxChar([&](TObject*, std::int32_t count) {
      const std::string bytes = Take(count);
      journal.push_back("begin " + bytes);
      if (bytes == "a") {
        sim.Feed("b");
        QEventLoop inner;  // as a modal dialog's
        QTimer::singleShot(50, &inner, &QEventLoop::quit);
        inner.exec();
      } else {
        outer.quit();
      }
      journal.push_back("end " + bytes);
    });
    port.Open();
    sim.Feed("a");
    RunLoop(outer);
    QCOMPARE(journal, (std::vector<std::string>{"begin a", "end a", "begin b", "end b"}));
  }

  void aSourcesDeadlineWakesTheLoopByItself() {
    // A source with nothing to sleep on but a deadline: Qt's loop wakes for
    // it on its own, with nothing posted and before the safety timer.
    struct Alarm : loop::Source {
      loop::Clock::time_point at = loop::Clock::now() + std::chrono::milliseconds(30);
      QEventLoop* loop = nullptr;
      bool Due() const { return loop::Clock::now() >= at; }
      bool Prepare(loop::SleepPlan& plan) override {
        plan.WakeBy(at);
        return !Due();
      }
      void Finish(const loop::Readiness*) override {}
      void Dispatch() override {
        if (Due()) loop->quit();
      }
      bool Ready() override { return Due(); }
    };
    QEventLoop loop;
    auto alarm = std::make_shared<Alarm>();
    alarm->loop = &loop;
    MainThread::AddSource(alarm);
    QCoreApplication::processEvents();  // the wake-up of AddSource
    const int wakes = Backend().WakeEventsPosted();
    bool timedOut = false;
    QTimer::singleShot(20000, &loop, [&] {
      timedOut = true;
      loop.quit();
    });
    loop.exec();
    MainThread::RemoveSource(alarm.get());
    QVERIFY(!timedOut);
    QVERIFY(alarm->Due());
    QCOMPARE(Backend().WakeEventsPosted(), wakes);
  }

 private:
  // The count bytes OnRxChar was told about.
  std::string Take(std::int32_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    port.Read(bytes.data(), count);
    return bytes;
  }

  comm::sim::SimPort sim{"SIM1"};
  TComPort port{nullptr};
  std::vector<std::string> journal;
};

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  TApplication application(std::make_unique<QtLoopBackend>());
  application.Initialize();
  QtSourcesTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "QtSourcesTest.moc"
