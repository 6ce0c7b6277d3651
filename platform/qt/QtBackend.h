// The application backend on Qt Widgets: Run is the QApplication loop, calls
// handed to the main thread arrive as one posted Qt event per wake (however
// many calls it carries), and the dialogs are modal QMessageBoxes. Texts are
// UTF-8. Create it on the main thread once the QApplication exists.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/runtime/Application.h"

class QtBackend : public ApplicationBackend {
 public:
  QtBackend();
  ~QtBackend() override;  // removes the wake hook first

  void Initialize() override;  // installs the wake hook
  void Run() override;
  void Terminate() override;  // any thread; before Run, Run returns at once
  void ProcessMessages() override;
  void ShowMessage(const std::string& text) override;
  void ShowException(const std::string& message) override;

  // How many wake events were posted to the Qt loop so far (for tests and
  // benchmarks: a burst of calls needs few).
  int WakeEventsPosted() const { return FWakeEvents.load(); }

 private:
  class Receiver;
  std::unique_ptr<Receiver> FReceiver;
  std::atomic<bool> FWakePending{false};
  std::atomic<int> FWakeEvents{0};
  std::atomic<bool> FTerminated{false};
};
