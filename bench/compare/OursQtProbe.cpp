// Probe: the port engine with Qt's loop serving the main-thread hand-over
// (the console's set-up, without the window: Qt Core only).
#include <QCoreApplication>

#include "bench/compare/OursPort.h"
#include "bench/compare/QtLoop.h"
#include "platform/qt/core/QtLoopBackend.h"

namespace {

class QtOursPort : public OursPort {
 public:
  void RunUntilDone() override { FLoop.Run(); }
  void Done() override { FLoop.Quit(); }

 private:
  QtLoop FLoop;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  TApplication application(std::make_unique<QtLoopBackend>());
  application.Initialize();
  QtOursPort port;
  return RunProbe(port, argc, argv);
}
