// The property selector on a real QComboBox (offscreen): its lists, what the
// program's selection does and does not do, the operator's picks with and
// without AutoApply on real pseudo-terminals, and the port going away.
#include <memory>
#include <string>
#include <vector>

#include "ControlsTestSupport.h"
#include "controls/CPortCtl.h"

using controls_test::FakePortTree;
using controls_test::Pick;

namespace {

QStringList ItemTexts(TComComboBox& combo) {
  QStringList texts;
  for (const std::string& text : combo.Items().ToVector()) texts << QString::fromStdString(text);
  return texts;
}

}  // namespace

Q_DECLARE_METATYPE(TComProperty)

class ComComboBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void newSelectorIsAnEmptyDropDownList() {
    TComComboBox combo(nullptr);
    QVERIFY(!combo.isEditable());
    QCOMPARE(combo.ComProperty(), cpNone);
    QCOMPARE(combo.Items().Count(), 0);
    QCOMPARE(combo.ItemIndex(), -1);
    QCOMPARE(combo.ComPort(), nullptr);
    QVERIFY(!combo.AutoApply());
  }

  void listsTheValuesOfTheChosenSetting_data() {
    QTest::addColumn<TComProperty>("property");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("port") << cpPort << QStringList{"ttyACM0", "ttyS0", "ttyUSB0"};
    QTest::newRow("baud rate") << cpBaudRate << QStringList{"Custom", "110",    "300",    "600",
                                                            "1200",   "2400",   "4800",   "9600",
                                                            "14400",  "19200",  "38400",  "56000",
                                                            "57600",  "115200", "128000", "256000"};
    QTest::newRow("data bits") << cpDataBits << QStringList{"5", "6", "7", "8"};
    QTest::newRow("stop bits") << cpStopBits << QStringList{"1", "1.5", "2"};
    QTest::newRow("parity") << cpParity << QStringList{"None", "Odd", "Even", "Mark", "Space"};
    QTest::newRow("flow control") << cpFlowControl
                                  << QStringList{"Hardware", "Software", "None", "Custom"};
  }
  // Unbound, the first item is selected; cpNone afterwards empties the list.
  void listsTheValuesOfTheChosenSetting() {
    QFETCH(TComProperty, property);
    QFETCH(QStringList, items);
    FakePortTree machine({"ttyUSB0", "ttyS0", "ttyACM0"});
    TComComboBox combo(nullptr);
    combo.SetPortListSource(machine.Root());
    combo.SetComProperty(property);
    QCOMPARE(combo.ComProperty(), property);
    QCOMPARE(ItemTexts(combo), items);
    QCOMPARE(combo.ItemIndex(), 0);
    QCOMPARE(QString::fromStdString(combo.Text()), items.first());

    combo.SetComProperty(cpNone);
    QCOMPARE(combo.Items().Count(), 0);
    QCOMPARE(combo.ItemIndex(), -1);
    QCOMPARE(combo.Text(), std::string());
  }

  void machineWithoutPortsGivesAnEmptyList() {
    FakePortTree machine({});
    TComComboBox combo(nullptr);
    combo.SetPortListSource(machine.Root());
    combo.SetComProperty(cpBaudRate);
    combo.SetComProperty(cpPort);
    QCOMPARE(combo.Items().Count(), 0);
    QCOMPARE(combo.ItemIndex(), -1);
  }

  // The read error leaves the setting stored and the list emptied.
  void unreadablePortListRaisesCode23() {
    TComComboBox combo(nullptr);
    combo.SetComProperty(cpParity);
    combo.SetPortListSource("/nonexistent/machine");
    try {
      combo.SetComProperty(cpPort);
      QFAIL("no error");
    } catch (const EComPortExt& error) {
      QCOMPARE(int(error.ErrorCode()), 23);
    }
    QCOMPARE(combo.ComProperty(), cpPort);
    QCOMPARE(combo.Items().Count(), 0);
    QCOMPARE(combo.ItemIndex(), -1);
  }

  void textSelectsIgnoringCaseAndIgnoresUnknownTexts() {
    TComComboBox combo(nullptr);
    combo.SetComProperty(cpBaudRate);
    QCOMPARE(combo.Text(), std::string("Custom"));
    combo.SetText("9600");
    QCOMPARE(combo.ItemIndex(), 7);
    combo.SetText("9601");
    QCOMPARE(combo.ItemIndex(), 7);
    combo.SetText("custom");
    QCOMPARE(combo.ItemIndex(), 0);
    QCOMPARE(combo.Text(), std::string("Custom"));
    combo.SetItemIndex(-1);
    QCOMPARE(combo.Text(), std::string());
  }

  void bindingShowsThePortsValueOnce() {
    TComPort port(nullptr);
    port.SetBaudRate(br9600);
    TComComboBox combo(nullptr);
    combo.SetComProperty(cpBaudRate);
    combo.Select().SelBaudRate = br110;
    combo.SetComPort(&port);
    QCOMPARE(combo.ItemIndex(), 7);
    QCOMPARE(combo.Select().SelBaudRate, br9600);

    // Binding it again shows nothing anew; the port's own changes are not followed.
    combo.SetItemIndex(1);
    port.SetBaudRate(br19200);
    combo.SetComPort(&port);
    QCOMPARE(combo.ItemIndex(), 1);
    // Choosing the setting again reads the port.
    combo.SetComProperty(cpBaudRate);
    QCOMPARE(combo.Text(), std::string("19200"));
    // Unbinding forgets the port only.
    combo.SetComPort(nullptr);
    QCOMPARE(combo.ComPort(), nullptr);
    QCOMPARE(combo.Text(), std::string("19200"));
  }

  void valuesWithoutTheirOwnItemShowAsCustomOrNothing() {
    FakePortTree machine({"ttyS0", "ttyUSB0"});
    TComPort port(nullptr);
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(250000);
    port.FlowControl().SetOutCTSFlow(true);  // with nothing else: no named combination
    port.SetPort("COM9");
    TComComboBox baud(nullptr), flow(nullptr), name(nullptr);
    baud.SetComProperty(cpBaudRate);
    flow.SetComProperty(cpFlowControl);
    name.SetPortListSource(machine.Root());
    name.SetComProperty(cpPort);
    name.Select().SelPort = "ttyS0";
    for (TComComboBox* combo : {&baud, &flow, &name}) combo->SetComPort(&port);
    QCOMPARE(baud.Text(), std::string("Custom"));
    QCOMPARE(flow.Text(), std::string("Custom"));
    QCOMPARE(name.ItemIndex(), -1);
    QCOMPARE(name.Text(), std::string());
    QCOMPARE(name.Select().SelPort, std::string("ttyS0"));

    // A port name is found ignoring letter case, and taken as the item reads.
    port.SetPort("ttyusb0");
    name.SetComProperty(cpPort);
    QCOMPARE(name.Text(), std::string("ttyUSB0"));
    QCOMPARE(name.Select().SelPort, std::string("ttyUSB0"));
  }

  // Selecting from the program is never the operator's pick.
  void programSelectionRunsNoChange() {
    TComPort port(nullptr);
    TComComboBox combo(nullptr);
    int changes = 0;
    combo.SetOnChange([&](TObject*) { ++changes; });
    combo.SetComProperty(cpParity);
    combo.SetComPort(&port);
    combo.SetText("Odd");
    combo.SetItemIndex(4);
    combo.ShowPortValue();
    QCOMPARE(changes, 0);
    QCOMPARE(combo.Text(), std::string("None"));
  }

  // AutoApply off: the choice stays in the companion.
  void operatorsPickWithoutAutoApplyLeavesThePort() {
    QWidget window;
    TComPort port(nullptr);
    auto* combo = new TComComboBox(nullptr, &window);
    combo->SetComProperty(cpBaudRate);
    combo->SetComPort(&port);
    std::vector<TBaudRate> seenByHandler;
    combo->SetOnChange([&](TObject* sender) {
      QCOMPARE(sender, static_cast<TObject*>(combo));
      seenByHandler.push_back(port.BaudRate());
    });
    QVERIFY(Pick(*combo, "19200"));
    QCOMPARE(seenByHandler, std::vector<TBaudRate>{br9600});
    QCOMPARE(combo->Select().SelBaudRate, br19200);
    QCOMPARE(port.BaudRate(), br9600);
  }

  void operatorsPickWithAutoApplyReachesThePortBeforeOnChange_data() {
    QTest::addColumn<TComProperty>("property");
    QTest::addColumn<QString>("pick");
    QTest::addColumn<QString>("portValue");  // the port's value read as text
    QTest::newRow("baud rate") << cpBaudRate << "19200"
                               << "19200";
    QTest::newRow("data bits") << cpDataBits << "7"
                               << "7";
    QTest::newRow("stop bits") << cpStopBits << "2"
                               << "2";
    QTest::newRow("parity") << cpParity << "Even"
                            << "Even";
    QTest::newRow("flow control") << cpFlowControl << "Software"
                                  << "Software";
  }
  void operatorsPickWithAutoApplyReachesThePortBeforeOnChange() {
    QFETCH(TComProperty, property);
    QFETCH(QString, pick);
    QFETCH(QString, portValue);
    auto portText = [](TComPort& port, TComProperty which) {
      switch (which) {
        case cpBaudRate:
          return BaudRateToText(port.BaudRate());
        case cpDataBits:
          return DataBitsToText(port.DataBits());
        case cpStopBits:
          return StopBitsToText(port.StopBits());
        case cpParity:
          return ParityToText(port.Parity().Bits());
        default:
          return FlowControlToText(port.FlowControl().FlowControl());
      }
    };
    QWidget window;
    TComPort port(nullptr);
    auto* combo = new TComComboBox(nullptr, &window);
    combo->SetComProperty(property);
    combo->SetComPort(&port);
    combo->SetAutoApply(true);
    QStringList seenByHandler;
    combo->SetOnChange(
        [&](TObject*) { seenByHandler << QString::fromStdString(portText(port, property)); });
    QVERIFY(Pick(*combo, pick));
    QCOMPARE(seenByHandler, QStringList{portValue});
  }

  // The port destroyed first unbinds the selector quietly; the selector
  // destroyed first leaves nothing behind in the port.
  void destroyingTheBoundPortUnbindsWithoutOnChange() {
    auto port = std::make_unique<TComPort>(nullptr);
    port->SetBaudRate(br57600);
    TComComboBox combo(nullptr);
    int changes = 0;
    combo.SetOnChange([&](TObject*) { ++changes; });
    combo.SetComProperty(cpBaudRate);
    combo.SetComPort(port.get());
    QCOMPARE(combo.Text(), std::string("57600"));
    port.reset();
    QCOMPARE(combo.ComPort(), nullptr);
    QCOMPARE(combo.ItemIndex(), 0);
    QCOMPARE(changes, 0);
    QCOMPARE(combo.Select().SelBaudRate, br57600);

    TComPort survivor(nullptr);
    {
      TComComboBox gone(nullptr);
      gone.SetComProperty(cpDataBits);
      gone.SetComPort(&survivor);
    }
    survivor.SetDataBits(dbSeven);  // the port works on, and its end tells no one
  }

  // Owned by a component and parented to a widget: whichever goes first
  // takes the selector along, and the other does not free it again.
  void eitherOwnerOrParentFreesTheSelectorOnce() {
    TComPort port(nullptr);
    for (bool parentFirst : {true, false}) {
      auto owner = std::make_unique<TComponent>(nullptr);
      auto parent = std::make_unique<QWidget>();
      auto* combo = new TComComboBox(owner.get(), parent.get());
      combo->SetComProperty(cpStopBits);
      combo->SetComPort(&port);
      QCOMPARE(owner->ComponentCount(), 1);
      if (parentFirst) {
        parent.reset();
        QCOMPARE(owner->ComponentCount(), 0);
      } else {
        owner.reset();
        QVERIFY(parent->findChildren<QComboBox*>().isEmpty());
      }
    }
    port.SetStopBits(sbTwoStopBits);
  }
};

int main(int argc, char** argv) {
  return controls_test::Run<ComComboBoxTest>(argc, argv);
}

#include "ComComboBoxTest.moc"
