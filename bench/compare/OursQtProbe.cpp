// Probe: the port engine with Qt's loop serving the main-thread hand-over
// (the console's set-up; QCoreApplication is enough, as no window opens).
#include <QCoreApplication>

#include "bench/compare/OursPort.h"
#include "bench/compare/QtLoop.h"
#include "platform/qt/QtBackend.h"

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
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  QtOursPort port;
  return RunProbe(port, argc, argv);
}
