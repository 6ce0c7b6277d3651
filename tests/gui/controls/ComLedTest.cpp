// The signal LED as a widget (offscreen): its lamp following the simulated
// device (modem lines, rings), the state refused while bound, the pictures it
// paints, and either the port or the LED going first. (Following a pty port:
// posix/ComLedPtyTest.cpp.)
#include <QThread>

#include <memory>
#include <string>
#include <vector>

#include "ControlsTestSupport.h"
#include "controls/CPortCtl.h"
#include "platform/runtime/Threads.h"
#include "platform/serial/sim/SimPort.h"

using controls_test::Changes;
using controls_test::kPatience;

namespace {

// The lamp as painted: the widget grabbed, the colour at its centre.
QColor Centre(TComLed& led) {
  const QImage image = led.grab().toImage();
  return image.pixelColor(image.width() / 2, image.height() / 2);
}

QColor PictureCentre(const char* name) {
  TBitmap picture;
  picture.LoadFromResourceName(name);
  return picture.Image().pixelColor(7, 7);
}

// Counts the paint events a widget receives.
struct PaintCount : QObject {
  explicit PaintCount(QWidget& widget) { widget.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
  int count = 0;
};

}  // namespace

class ComLedTest : public QObject {
  Q_OBJECT

 private slots:
  void newLedIsADarkRedLampFollowingTheConnection() {
    TComLed led(nullptr);
    QCOMPARE(led.LedSignal(), lsConn);
    QCOMPARE(led.Kind(), lkRedLight);
    QCOMPARE(led.State(), lsOff);
    QCOMPARE(led.RingDuration(), 1000);
    QCOMPARE(led.size(), QSize(25, 25));
    QVERIFY(led.GlyphOn().Empty() && led.GlyphOff().Empty());
    led.grab();  // the first paint loads the kind's pictures
    QCOMPARE(led.GlyphOn().Width(), 15);
    QCOMPARE(led.GlyphOff().Height(), 15);
  }

  // Every state applied tells OnChange, also an unchanged one; bound, the
  // state is refused.
  void stateIsSetOnlyWhileUnbound() {
    TComLed led(nullptr);
    Changes changes(led);
    led.SetState(lsOn);
    led.SetState(lsOn);
    QCOMPARE(led.State(), lsOn);
    TComPort port(nullptr);
    led.SetComPort(&port);  // closed: the state stays
    QCOMPARE(led.State(), lsOn);
    try {
      led.SetState(lsOff);
      QFAIL("no error");
    } catch (const EComPort& error) {
      QCOMPARE(int(error.ErrorCode()), 19);
      QCOMPARE(error.Message(),
               std::string("ComLed  Error: Cannot change led state if ComPort is selected"));
    }
    QCOMPARE(led.State(), lsOn);
    led.SetComPort(nullptr);  // unbinding darkens the lamp
    QCOMPARE(led.State(), lsOff);
    QCOMPARE(changes.seen, (std::vector<TLedState>{lsOn, lsOn, lsOff}));
  }

  // Lighting up paints the lamp at once and runs nothing else: a click that
  // is queued during a batch (here by the batch's error handler) closes the
  // port only after the batch's bytes were delivered.
  void aClickQueuedDuringABatchRunsAfterIt() {
    comm::sim::SimPort sim("SIM1");
    TComPort port(nullptr);
    port.SetPort("SIM1");
    QWidget window;
    auto* led = new TComLed(nullptr, &window);
    led->SetLedSignal(lsRx);
    led->SetComPort(&port);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintCount paints(*led);
    QPushButton closeButton;
    QObject::connect(&closeButton, &QPushButton::clicked, [&] { port.Close(); });
    port.SetOnError([&](TObject*, TComErrors) {
      QMetaObject::invokeMethod(&closeButton, "click", Qt::QueuedConnection);
    });
    std::string received = "nothing";
    bool litOnScreen = false;
    port.SetOnRxChar([&](TObject*, std::int32_t count) {
      litOnScreen = paints.count > 0;
      if (!port.Connected()) {
        received = "the port was closed";
        return;
      }
      std::string bytes(static_cast<std::size_t>(count), '\0');
      received.assign(bytes.data(), static_cast<std::size_t>(port.Read(bytes.data(), count)));
    });
    port.Open();
    paints.count = 0;
    sim.FeedWithError('x', CE_FRAME);
    QTRY_VERIFY_WITH_TIMEOUT(!port.Connected(), kPatience);
    QCOMPARE(received, std::string("x"));
    QVERIFY(litOnScreen);
  }

  // A modem line is read when the LED binds to the open port; switching the
  // followed signal keeps the lamp until the new signal changes.
  void followsTheChosenModemLine() {
    comm::sim::SimPort sim("SIM1");
    sim.SetCTS(true);
    TComPort port(nullptr);
    port.SetPort("SIM1");
    port.Open();
    TComLed led(nullptr);
    led.SetLedSignal(lsCTS);
    led.SetComPort(&port);
    QCOMPARE(led.State(), lsOn);

    led.SetLedSignal(lsDSR);
    QCOMPARE(led.State(), lsOn);  // not read again
    sim.SetCTS(false);
    sim.SetDSR(true);  // DSR on: the lamp is lit already
    sim.SetDSR(false);
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOff, kPatience);
    sim.SetDSR(true);
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOn, kPatience);
    port.Close();  // the lines are reported off
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOff, kPatience);
  }

  // A port that hands its events over on its own thread (no sync): the lamp
  // still changes on the main thread.
  void noticesFromTheEventThreadReachTheLampOnTheMainThread() {
    comm::sim::SimPort sim("SIM1");
    TComPort port(nullptr);
    port.SetPort("SIM1");
    port.SetSyncMethod(smNone);
    TComLed led(nullptr);
    led.SetLedSignal(lsRLSD);
    Changes changes(led);
    led.SetComPort(&port);
    port.Open();
    sim.SetRLSD(true);
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOn, kPatience);
    sim.SetRLSD(false);
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOff, kPatience);
    port.Close();
    QVERIFY(changes.onMainThread);
  }

  // Each ring lights the lamp for RingDuration; 0 keeps it lit.
  void ringsLightTheLampForRingDuration() {
    comm::sim::SimPort sim("SIM1");
    TComPort port(nullptr);
    port.SetPort("SIM1");
    TComLed led(nullptr);
    led.SetLedSignal(lsRing);
    Changes changes(led);
    led.SetComPort(&port);
    port.Open();
    sim.SetRing(true);
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOn, kPatience);
    sim.SetRing(false);
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOff, kPatience);
    QCOMPARE(changes.seen, (std::vector<TLedState>{lsOn, lsOff}));

    led.SetRingDuration(0);
    sim.SetRing(true);
    QTRY_COMPARE_WITH_TIMEOUT(led.State(), lsOn, kPatience);
    sim.SetRing(false);
    QTest::qWait(1500);  // longer than the default duration
    QCOMPARE(led.State(), lsOn);
    // A second ring tells OnChange again, though the lamp is lit.
    sim.SetRing(true);
    QTRY_COMPARE_WITH_TIMEOUT(changes.seen.size(), std::size_t{4}, kPatience);
    QCOMPARE(changes.seen.back(), lsOn);
    port.Close();
    QCOMPARE(led.State(), lsOn);
  }

  // Each kind paints its own pictures; lkCustom keeps the pictures it has
  // until the program gives its own, which other kinds ignore.
  void kindsAndCustomPictures() {
    QWidget window;
    auto* led = new TComLed(nullptr, &window);
    window.show();
    for (TLedKind kind : {lkGreenLight, lkBlueLight, lkYellowLight, lkPurpleLight, lkBulb}) {
      led->SetKind(kind);
      led->SetState(lsOn);
      QCOMPARE(Centre(*led), PictureCentre(LedGlyphNames[kind].On));
      led->SetState(lsOff);
      QCOMPARE(Centre(*led), PictureCentre(LedGlyphNames[kind].Off));
    }
    led->SetKind(lkGreenLight);
    TBitmap custom;
    QImage square(9, 9, QImage::Format_RGB32);
    square.fill(QColor(0, 0, 255));
    square.setPixelColor(0, 8, QColor(10, 20, 30));  // the transparent colour
    custom.SetImage(square);
    led->SetGlyphOn(custom);
    QVERIFY(!custom.Transparent());  // ignored: not even the source changes
    QCOMPARE(led->GlyphOn().Width(), 15);

    led->SetKind(lkCustom);
    led->SetState(lsOn);
    QCOMPARE(Centre(*led), PictureCentre("LEDGREENON"));
    led->SetGlyphOn(custom);
    QVERIFY(custom.Transparent());
    QCOMPARE(custom.TransparentMode(), tmAuto);
    const QImage shown = led->grab().toImage();
    QCOMPARE(shown.pixelColor(12, 12), QColor(0, 0, 255));  // centred: 8..16
    QVERIFY(shown.pixelColor(8, 16) != QColor(10, 20, 30));
    QVERIFY(shown.pixelColor(7, 12) != QColor(0, 0, 255));
  }

  // The background of the pictures is left out, and a disabled LED is dark
  // whatever its state.
  void disabledLedPaintsTheDarkLamp() {
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(1, 2, 3));
    window.setPalette(palette);
    auto* led = new TComLed(nullptr, &window);
    led->resize(15, 15);
    window.resize(40, 40);
    window.show();
    led->SetState(lsOn);
    const QColor lit = PictureCentre("LEDREDON"), dark = PictureCentre("LEDREDOFF");
    QVERIFY(lit != dark);
    QCOMPARE(Centre(*led), lit);
    const QImage whole = window.grab().toImage();
    QCOMPARE(whole.pixelColor(0, 14), QColor(1, 2, 3));  // olive corner left out

    led->setEnabled(false);
    QCOMPARE(Centre(*led), dark);
    QCOMPARE(led->State(), lsOn);
    led->setEnabled(true);
    QCOMPARE(Centre(*led), lit);
  }

  // Whichever goes first, nothing is left pointing at the other.
  void portOrLedMayGoFirst() {
    auto port = std::make_unique<TComPort>(nullptr);
    TComLed led(nullptr);
    led.SetComPort(port.get());
    port.reset();
    QCOMPARE(led.ComPort(), nullptr);
    QCOMPARE(led.State(), lsOff);
    led.SetState(lsOn);  // unbound again

    comm::sim::SimPort device("SIM7");
    TComPort survivor(nullptr);
    survivor.SetPort(device.Name());
    for (bool parentFirst : {true, false}) {
      auto owner = std::make_unique<TComponent>(nullptr);
      auto parent = std::make_unique<QWidget>();
      auto* gone = new TComLed(owner.get(), parent.get());
      gone->SetComPort(&survivor);
      survivor.Open();
      survivor.Close();  // the lamp waits to go dark when its owner goes
      if (parentFirst) {
        parent.reset();
        QCOMPARE(owner->ComponentCount(), 0);
      } else {
        owner.reset();
      }
      QVERIFY(survivor.LinkList().empty());
    }
    survivor.Open();
    survivor.Close();
    QTest::qWait(200);  // no timer of a gone LED fires
  }
};

int main(int argc, char** argv) {
  return controls_test::Run<ComLedTest>(argc, argv);
}

#include "ComLedTest.moc"
