// The window on a simulated serial device of the test's own, which the test
// unplugs and plugs in again, with a session log file to read back.
#pragma once

#include <QFile>

#include "console/window/PortRecovery.h"
#include "platform/serial/SystemErrorNumbers.h"
#include "platform/serial/sim/SimPort.h"
#include "tests/gui/console/ConsoleTestSupport.h"

namespace console_test {

class LostDevice : public ::testing::Test {
 protected:
  static constexpr const char* kPort = "LOST1";

  // The port open, then its device gone, the window told of it and its
  // first look for the device (posted after the port has closed) done.
  void OpenThenLose() {
    window.Click("Button2");
    ASSERT_TRUE(window->Com1->Connected());
    device.Unplug();
    ASSERT_TRUE(LoopUntil([&] { return !window->Com1->Connected(); }));
    QCoreApplication::sendPostedEvents();
  }
  // The port open again after the window's `count`th line that says so.
  bool Reopened(qsizetype count) {
    return LoopUntil([&] {
      return window.Log().filter("장치가 다시 연결되었습니다: " + QString(kPort)).size() == count &&
             window->Com1->Connected();
    });
  }
  QString SessionLog() {
    QFile file(logFile);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  comm::sim::SimPort device{kPort};
  QTemporaryDir scratch;
  QString logFile = scratch.filePath("session.tsv");
  TMessageBoxAnswerer boxes;
  TWindow window{[&] {
    TConsoleOptions options = OnPort(kPort);
    options.NoLog = false;
    options.LogFile = logFile.toStdString();
    return options;
  }()};
};

}  // namespace console_test
