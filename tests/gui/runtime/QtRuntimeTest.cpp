// The runtime on the real Qt loop (offscreen): hand-overs served by the loop
// and by modal dialogs, dialogs answered the way a test answers them, and
// exceptions from handlers shown in message boxes.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/core/LoopUntil.h"
#include "platform/qt/Timer.h"
#include "platform/runtime/Threads.h"
#include "tests/unit/runtime/FunctionThread.h"

namespace {

QtBackend& Backend() {
  return static_cast<QtBackend&>(Application->Backend());
}

// What the operator saw in a message box, and how it was closed.
struct SeenBox {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

// Answers the next modal message box with OK once its loop runs, recording it.
void AnswerNextBox(std::vector<SeenBox>& seen) {
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      AnswerNextBox(seen);  // not shown yet: look again on the next round
      return;
    }
    seen.push_back({box->text(), box->icon(), box->standardButtons()});
    box->button(QMessageBox::Ok)->click();
  });
}

}  // namespace

class QtRuntimeTest : public QObject {
  Q_OBJECT

 private slots:
  void synchronizeIsServedByTheQtLoop() {
    std::vector<int> ran;
    std::atomic<bool> done{false};
    FunctionThread worker([&](FunctionThread& self) {
      for (int i = 0; i < 100; ++i) {
        self.Synchronize([&, i] {
          QVERIFY(MainThread::IsCurrent());
          ran.push_back(i);
        });
      }
      done = true;
    });
    worker.Resume();
    QVERIFY(LoopUntil([&] { return done.load(); }, 20'000));
    QCOMPARE(ran.size(), std::size_t{100});
    QCOMPARE(ran.back(), 99);
  }

  void aBurstOfQueuedCallsCostsOneLoopEvent() {
    const int before = Backend().WakeEventsPosted();
    int ran = 0;
    std::thread poster([&] {
      for (int i = 0; i < 1000; ++i) MainThread::Post([&] { ++ran; });
    });
    poster.join();  // the loop is not running meanwhile
    // One event at most: one may still be on its way from an earlier wake.
    QVERIFY(Backend().WakeEventsPosted() - before <= 1);
    QVERIFY(LoopUntil([&] { return ran == 1000; }, 20'000));
  }

  void synchronizeIsServedInsideAModalDialog() {
    std::vector<std::string> journal;
    std::unique_ptr<FunctionThread> second;
    FunctionThread first([&](FunctionThread& self) {
      self.Synchronize([&] {
        journal.push_back("box opens");
        // Another thread hands over a call while the box is up: the box's
        // own loop runs it, and that call closes the box.
        second = std::make_unique<FunctionThread>([&](FunctionThread& other) {
          other.Synchronize([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            journal.push_back(box ? "served under " + box->text().toStdString() : "no box");
            if (box) box->button(QMessageBox::Ok)->click();
          });
        });
        second->Resume();
        ShowMessage("first");
        journal.push_back("box closed");
      });
    });
    first.Resume();
    first.WaitFor();
    second.reset();
    QCOMPARE(journal, (std::vector<std::string>{"box opens", "served under first", "box closed"}));
  }

  void showMessageIsAModalOkBoxThatATestAnswers() {
    std::vector<std::string> observed;
    Application->OnMessageShown = [&](const std::string& text) { observed.push_back(text); };
    std::vector<SeenBox> seen;
    AnswerNextBox(seen);
    ShowMessage("3 \xEC\x9E\xA5 dispensed");  // UTF-8 text
    Application->OnMessageShown = nullptr;
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].text, QString::fromUtf8("3 \xEC\x9E\xA5 dispensed"));
    QCOMPARE(seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(observed, (std::vector<std::string>{"3 \xEC\x9E\xA5 dispensed"}));
  }

  void handleExceptionShowsItsMessageInAnErrorBox() {
    std::vector<SeenBox> seen;
    AnswerNextBox(seen);
    try {
      throw Exception("Unable to open com port");
    } catch (...) {
      Application->HandleException(nullptr);
    }
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].text, QString("Unable to open com port"));
    QCOMPARE(seen[0].icon, QMessageBox::Critical);
  }

  void exceptionLeavingAQtHandlerIsShownAndTheLoopGoesOn() {
    std::vector<SeenBox> seen;
    QPushButton button("Open");
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, Guarded(Application, [&](bool) {
      ++clicks;
      throw Exception("Write error");
    }));
    AnswerNextBox(seen);
    button.click();
    AnswerNextBox(seen);
    button.click();  // still works after the failure
    QCOMPARE(clicks, 2);
    QCOMPARE(seen.size(), std::size_t{2});
    QCOMPARE(seen[1].text, QString("Write error"));

    // Unguarded: the application's notify catches it.
    bool after = false;
    QTimer::singleShot(0, [] { throw Exception("Timer handler failed"); });
    AnswerNextBox(seen);
    QVERIFY(LoopUntil([&] { return seen.size() == 3; }, 20'000));
    QTimer::singleShot(0, [&] { after = true; });
    QVERIFY(LoopUntil([&] { return after; }, 20'000));
    QCOMPARE(seen[2].text, QString("Timer handler failed"));
  }

  void timerTicksOnTheMainThreadWhileEnabled() {
    TTimer timer(nullptr);
    QCOMPARE(timer.Interval(), 1000u);
    timer.SetEnabled(false);
    int ticks = 0;
    timer.OnTimer = [&](TObject* sender) {
      QCOMPARE(sender, static_cast<TObject*>(&timer));
      QVERIFY(MainThread::IsCurrent());
      if (++ticks == 3) timer.SetEnabled(false);
    };
    timer.SetInterval(10);
    QTest::qWait(50);
    QCOMPARE(ticks, 0);  // disabled: nothing
    timer.SetEnabled(true);
    QVERIFY(LoopUntil([&] { return ticks == 3; }, 20'000));
    QTest::qWait(50);
    QCOMPARE(ticks, 3);  // it stopped itself

    std::vector<SeenBox> seen;
    timer.OnTimer = [&](TObject*) {
      timer.SetEnabled(false);
      throw Exception("tick failed");
    };
    AnswerNextBox(seen);
    timer.SetEnabled(true);
    QVERIFY(LoopUntil([&] { return !seen.empty(); }, 20'000));
    QCOMPARE(seen[0].text, QString("tick failed"));
  }

  void processMessagesRunsQueuedCalls() {
    bool ran = false;
    std::thread poster([&] { MainThread::Post([&] { ran = true; }); });
    poster.join();
    Application->ProcessMessages();
    QVERIFY(ran);
  }

  // Last: it ends the application's loop for good.
  void terminateFromAnotherThreadEndsRun() {
    std::thread stopper([] { Application->Terminate(); });  // before or during Run
    Application->Run();
    stopper.join();
    Application->Run();  // terminated: returns at once
  }
};

int main(int argc, char** argv) {
  GuardedApplication qt(argc, argv);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  QtRuntimeTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "QtRuntimeTest.moc"
