// console-screenshot: the console window after a short session with the
// virtual dispenser, drawn into a PNG (for the README).
//   console-screenshot DISPENSER-SIM OUTPUT.png
// Runs dispenser-sim (its second dispense jams after three notes; it keeps
// the line's time, so a reply ends about 21 ms after its command at 9600
// bit/s), opens the window
// against it on a settings store of its own, presses Open COM and a few
// command buttons, waits for every reply, and grabs the window.
#include <QAbstractButton>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <iostream>

#include "console/tools/MessageBoxAnswerer.h"
#include "console/widgets/Memo.h"
#include "console/window/MainForm.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/core/LoopUntil.h"
#include "platform/runtime/Registry.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: console-screenshot DISPENSER-SIM OUTPUT.png\n";
    return 2;
  }
  GuardedApplication qt(argc, argv);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  TMessageBoxAnswerer answerer;

  QProcess sim;
  sim.start(argv[1], {"--fault", "jam@2:3"});
  if (!sim.waitForReadyRead(10'000)) {
    std::cerr << "console-screenshot: " << argv[1] << " printed no terminal\n";
    return 1;
  }
  QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
  if (port.startsWith("/dev/")) port.remove(0, 5);

  // The window as on its first start: no settings kept from an earlier run.
  const QTemporaryDir store;
  TRegistry::SetStoreFile((store.path() + "/registry").toStdString());
  TConsoleOptions options;
  options.Port = port.toStdString();
  options.NoLog = true;
  TForm1 form(nullptr, options);
  form.show();

  auto* memo = form.findChild<TMemo*>("Memo1");
  auto press = [&](const char* button, int replies) {
    const int lines = memo->LineCount();
    form.findChild<QAbstractButton*>(button)->click();
    // A reply adds its hex line and at most one decoded line.
    return LoopUntil([&] { return memo->LineCount() >= lines + replies; });
  };
  form.findChild<QAbstractButton*>("Button2")->click();
  const bool ok = press("state", 2) && press("btnhold", 2) && press("state", 2) &&
                  press("Button7", 2) && press("Button5", 1) && press("Button6", 2) &&
                  press("Button5", 2) && press("state", 2) &&
                  LoopUntil([&] { return !form.Timer1->Enabled(); });
  const bool saved = ok && form.grab().save(argv[2]);
  form.Com1->Close();  // before its far end goes
  sim.terminate();
  sim.waitForFinished(10'000);
  if (!ok) {
    std::cerr << "console-screenshot: the dispenser did not answer\n";
    for (const QString& line : memo->Lines()) std::cerr << "  " << line.toStdString() << '\n';
    return 1;
  }
  if (!saved) {
    std::cerr << "console-screenshot: cannot write " << argv[2] << '\n';
    return 1;
  }
  return 0;
}
