// The main thread's loop of the Qt probes: a QEventLoop that runs until the
// receive handler says the phase is done.
#pragma once

#include <QEventLoop>

class QtLoop {
 public:
  void Run() {
    if (!FDone) FLoop.exec();
    FDone = false;
  }
  void Quit() {
    FDone = true;
    FLoop.quit();
  }

 private:
  QEventLoop FLoop;
  bool FDone = false;
};
