// The port selector on Linux: picking real pty ports (an open port reopened
// under the name picked, and a name that cannot be opened), and the list read
// again from the machine's device tree when it opens.
#include <QDir>
#include <QFile>

#include "controls/CPortCtl.h"
#include "tests/gui/controls/ControlsTestSupport.h"
#include "tests/integration/serial/PtyPair.h"

using comm::testing::PtyPair;
using controls_test::FakePortTree;
using controls_test::Pick;

class ComComboBoxPtyTest : public QObject {
  Q_OBJECT

 private slots:
  // An open port picked under another name closes and opens under it; a
  // name that cannot be opened is shown as an error, and OnChange is skipped.
  void pickingAnotherPortReopensTheOpenPort() {
    PtyPair first, second;
    QVERIFY(first.Ok() && second.Ok());
    FakePortTree machine({first.SlaveName(), second.SlaveName(), "ttyGONE0"});
    TComPort port(nullptr);
    port.SetEvents(TComEvents());
    port.SetPort(first.SlaveName());
    port.Open();
    QWidget window;
    auto* combo = new TComComboBox(nullptr, &window);
    combo->SetPortListSource(machine.Root());
    combo->SetComProperty(cpPort);
    combo->SetComPort(&port);
    QCOMPARE(combo->Text(), first.SlaveName());
    combo->SetAutoApply(true);
    std::vector<std::string> openOn;
    combo->SetOnChange([&](TObject*) { openOn.push_back(port.Connected() ? port.Port() : ""); });

    QVERIFY(Pick(*combo, QString::fromStdString(second.SlaveName())));
    QCOMPARE(openOn, std::vector<std::string>{second.SlaveName()});
    QCOMPARE(port.Write("ok", 2), 2);
    QCOMPARE(second.Read(2), std::string("ok"));

    std::vector<QString> boxes;
    controls_test::AnswerNextBox(boxes);
    QVERIFY(Pick(*combo, "ttyGONE0"));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), std::size_t{1}, 10000);
    QCOMPARE(boxes[0], QString("COM Port Error: Unable to open com port on ttyGONE0"));
    QCOMPARE(openOn.size(), std::size_t{1});
    QCOMPARE(combo->Select().SelPort, std::string("ttyGONE0"));
    QVERIFY(!port.Connected());
  }

  void openingTheListReadsThePortsAgainKeepsTheSelectionThenTellsOnDropDown() {
    FakePortTree machine({"ttyS0", "ttyUSB0"});
    TComPort port(nullptr);
    port.SetPort("ttyUSB0");
    TComComboBox combo(nullptr);
    combo.SetPortListSource(machine.Root());
    combo.SetComProperty(cpPort);
    combo.SetComPort(&port);
    QStringList seenByDropDown;
    combo.SetOnDropDown([&](TObject*) {
      seenByDropDown.clear();
      for (const std::string& text : combo.Items().ToVector()) seenByDropDown << QString::fromStdString(text);
    });
    const QDir root(QString::fromStdString(machine.Root()));  // an adapter plugged in
    root.mkpath("sys/class/tty/ttyACM0/device");
    QFile(root.filePath("dev/ttyACM0")).open(QIODevice::WriteOnly);
    combo.showPopup();
    QCOMPARE(seenByDropDown, (QStringList{"ttyACM0", "ttyS0", "ttyUSB0"}));
    QCOMPARE(combo.Text(), std::string("ttyUSB0"));
  }
};

int main(int argc, char** argv) {
  return controls_test::Run<ComComboBoxPtyTest>(argc, argv);
}

#include "ComComboBoxPtyTest.moc"
