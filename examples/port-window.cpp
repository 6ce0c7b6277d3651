// port-window: a Qt window with the settings combo boxes and the signal
// LEDs bound to one port, and a button that opens and closes it. The
// combo boxes write the operator's pick to the port (also while it is open);
// the LEDs follow the port through their links.
//   port-window [PORT]
#include <lineport/controls/CPortCtl.h>
#include <lineport/platform/qt/QtBackend.h>
#include <lineport/platform/runtime/Application.h>

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <utility>

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  //! [application]
  // The runtime on Qt's loop: the port's handlers run there.
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  //! [application]

  TComPort port(nullptr);
  if (argc > 1) port.SetPort(argv[1]);

  QWidget window;
  window.setWindowTitle("port-window");
  auto* form = new QFormLayout(&window);

  //! [combos]
  const std::pair<const char*, TComProperty> settings[] = {
      {"Port", cpPort},          {"Baud rate", cpBaudRate}, {"Data bits", cpDataBits},
      {"Stop bits", cpStopBits}, {"Parity", cpParity},      {"Flow control", cpFlowControl}};
  for (const auto& [label, property] : settings) {
    auto* combo = new TComComboBox(nullptr, &window);  // the window deletes it
    combo->SetComProperty(property);
    combo->SetAutoApply(true);
    combo->SetComPort(&port);
    form->addRow(label, combo);
  }
  //! [combos]

  //! [leds]
  auto* lamps = new QHBoxLayout;
  const std::pair<const char*, TComLedSignal> lines[] = {
      {"open", lsConn}, {"CTS", lsCTS}, {"DSR", lsDSR}, {"RLSD", lsRLSD}, {"rx", lsRx}, {"tx", lsTx}};
  for (const auto& [label, signal] : lines) {
    auto* led = new TComLed(nullptr, &window);
    led->SetKind(signal == lsConn ? lkGreenLight : lkRedLight);
    led->SetLedSignal(signal);
    led->SetComPort(&port);
    lamps->addWidget(led);
    lamps->addWidget(new QLabel(label, &window));
  }
  form->addRow("Lines", lamps);
  //! [leds]

  auto* button = new QPushButton("Open", &window);
  auto* status = new QLabel(&window);
  form->addRow(button, status);
  QObject::connect(button, &QPushButton::clicked, [&] {
    try {
      port.SetConnected(!port.Connected());
      status->setText(QString::fromStdString(port.Connected() ? "open: " + port.Port() : "closed"));
    } catch (const EComPort& error) {
      status->setText(QString::fromUtf8(error.what()));
    }
    button->setText(port.Connected() ? "Close" : "Open");
  });

  window.show();
  return qt.exec();  // the widgets go with the window, before the port
}
