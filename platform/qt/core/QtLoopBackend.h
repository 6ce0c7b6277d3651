// The application backend on Qt's loop alone (Qt Core): Run is the
// QCoreApplication loop, calls handed to the main thread arrive as one
// posted Qt event per wake (however many calls it carries), and the loop
// serves the main thread's sources where it can watch them. Without a window
// a message is a line on stdout and an error a line on stderr, as in the
// headless backend; QtBackend adds the dialogs. Create it on the main thread
// once the QCoreApplication exists.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/runtime/Application.h"

class QtSources;

// The application backend of a Qt program without a window.
class QtLoopBackend : public ApplicationBackend {
 public:
  QtLoopBackend();
  ~QtLoopBackend() override;  // removes the wake hook first

  void Initialize() override;  // installs the wake hook and the sources' driver
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
  std::unique_ptr<QtSources> FSources;
  std::atomic<bool> FWakePending{false};
  std::atomic<int> FWakeEvents{0};
  std::atomic<bool> FTerminated{false};
};
