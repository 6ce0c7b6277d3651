// Probe: the port engine with the headless main loop (the engine without
// the window, as the command-line tools run it).
#include "bench/compare/OursPort.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Threads.h"

namespace {

class HeadlessOursPort : public OursPort {
 public:
  void RunUntilDone() override {
    FDone = false;
    MainThread::WaitUntil([this] { return FDone; });
  }
  void Done() override { FDone = true; }

 private:
  bool FDone = false;
};

}  // namespace

int main(int argc, char** argv) {
  TApplication application(std::make_unique<HeadlessBackend>());
  application.Initialize();
  HeadlessOursPort port;
  return RunProbe(port, argc, argv);
}
