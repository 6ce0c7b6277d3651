// The device wait in Qt's loop on a terminal (a pseudo-terminal): the
// replies arrive whole and in order when the loop reads the line itself.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>

#include <string>

#include "platform/qt/core/QtLoopBackend.h"
#include "serial/CPort.h"
#include "serial/ComEventWait.h"
#include "tests/integration/serial/PtyPair.h"

class QtSourcesPtyTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    port.Close();
    port.SetOnRxChar(nullptr);
    QVERIFY(QTest::qWaitFor([] { return TComEventWait::Count() == 0; }, 20000));
  }

  void aTerminalsRepliesArriveWholeAndInOrder() {
    comm::testing::PtyPair pty;
    QVERIFY(pty.Ok());
    std::string received, sent;
    QEventLoop* waiting = nullptr;
    port.SetOnRxChar([&](TObject*, std::int32_t count) {
      std::string bytes(static_cast<std::size_t>(count), '\0');
      port.Read(bytes.data(), count);
      received += bytes;
      if (waiting != nullptr && received == sent) waiting->quit();
    });
    port.SetPort(pty.slavePath);
    port.SetWaitInMainLoop(true);
    port.Open();
    for (int i = 0; i < 100; ++i) {
      const std::string reply = "reply " + std::to_string(i) + ";";
      sent += reply;
      pty.Write(reply);
      QEventLoop loop;
      waiting = &loop;
      QTimer::singleShot(20000, &loop, &QEventLoop::quit);  // a safety time-out
      loop.exec();
      waiting = nullptr;
    }
    QCOMPARE(received, sent);
  }

 private:
  TComPort port{nullptr};
};

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  TApplication application(std::make_unique<QtLoopBackend>());
  application.Initialize();
  QtSourcesPtyTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "QtSourcesPtyTest.moc"
