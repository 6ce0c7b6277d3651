// The signal LED following a real pty port: open, receive and transmit
// activity (Linux).
#include "controls/CPortCtl.h"
#include "platform/runtime/Threads.h"
#include "tests/gui/controls/ControlsTestSupport.h"
#include "tests/integration/serial/PtyPair.h"

using comm::testing::PtyPair;
using controls_test::Changes;
using controls_test::kPatience;

class ComLedPtyTest : public QObject {
  Q_OBJECT

 private slots:
  // Bound to a closed port, the lamp lights as the port opens and goes dark
  // some time after it closes (not at once); bound to an open one, it lights
  // at once, and unbinding darkens it at once.
  void followsTheConnectionOfAPtyPort() {
    PtyPair pty;
    QVERIFY(pty.Ok());
    TComPort port(nullptr);
    port.SetPort(pty.SlaveName());
    TComLed led(nullptr);
    Changes changes(led);
    led.SetComPort(&port);
    QCOMPARE(port.LinkList().size(), std::size_t{1});
    QVERIFY(changes.seen.empty());

    // Lighting up runs no queued work inside the port's own.
    bool pendingRan = false;
    MainThread::Post([&] { pendingRan = true; });
    port.Open();
    QCOMPARE(led.State(), lsOn);
    QVERIFY(!pendingRan);
    port.Close();
    QCOMPARE(led.State(), lsOn);
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOff, kPatience);
    QCOMPARE(changes.seen, (std::vector<TLedState>{lsOn, lsOff}));

    // Closed and opened again within the off delay (a new port picked while
    // open): the connection lamp stays lit, also after the delay.
    port.Open();
    port.Close();
    port.Open();
    QTest::qWait(300);
    QCOMPARE(led.State(), lsOn);
    QCOMPARE(changes.seen, (std::vector<TLedState>{lsOn, lsOff, lsOn}));

    TComLed late(nullptr);
    late.SetComPort(&port);
    QCOMPARE(late.State(), lsOn);
    late.SetComPort(nullptr);
    QCOMPARE(late.State(), lsOff);
    QCOMPARE(port.LinkList().size(), std::size_t{1});
  }

  // Received bytes light the lamp; a read that empties the queue lets it go
  // dark. A write lights it; the transmit queue running empty lets it go dark.
  void followsReceiveAndTransmitActivityOnAPty() {
    PtyPair pty;
    QVERIFY(pty.Ok());
    TComPort port(nullptr);
    port.SetPort(pty.SlaveName());
    TComLed rx(nullptr), tx(nullptr);
    rx.SetLedSignal(lsRx);
    tx.SetLedSignal(lsTx);
    Changes rxChanges(rx), txChanges(tx);
    rx.SetComPort(&port);
    tx.SetComPort(&port);
    std::string received;
    port.SetOnRxChar([&](TObject*, std::int32_t count) {
      QVERIFY(rx.State() == lsOn);  // lit before the handler reads
      std::string bytes(static_cast<std::size_t>(count), '\0');
      received.append(bytes.data(), static_cast<std::size_t>(port.Read(bytes.data(), count)));
    });
    port.Open();
    QCOMPARE(rx.State(), lsOff);  // opening is not traffic

    pty.Write("hello");
    QTRY_COMPARE_WITH_TIMEOUT(received, std::string("hello"), kPatience);
    QTRY_COMPARE_WITH_TIMEOUT(rx.State(), lsOff, kPatience);
    QCOMPARE(rxChanges.seen, (std::vector<TLedState>{lsOn, lsOff}));
    QVERIFY(txChanges.seen.empty());

    QCOMPARE(port.Write("world", 5), 5);
    QVERIFY(!txChanges.seen.empty());
    QCOMPARE(txChanges.seen.front(), lsOn);
    QCOMPARE(pty.Read(5), std::string("world"));
    QTRY_COMPARE_WITH_TIMEOUT(tx.State(), lsOff, kPatience);
    QCOMPARE(txChanges.seen, (std::vector<TLedState>{lsOn, lsOff}));
    QCOMPARE(rxChanges.seen.size(), std::size_t{2});
    port.Close();
  }
};

int main(int argc, char** argv) {
  return controls_test::Run<ComLedPtyTest>(argc, argv);
}

#include "ComLedPtyTest.moc"
