// A timer component: while Enabled and Interval > 0, calls OnTimer on the
// main thread every Interval milliseconds. Owned like any component; an
// exception from OnTimer is shown through the application object.
#pragma once

#include <memory>

#include "platform/runtime/Classes.h"

class QTimer;

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  std::string ClassName() const override { return "TTimer"; }

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  unsigned Interval() const { return FInterval; }  // milliseconds, 1000 by default
  void SetInterval(unsigned value);

  TNotifyEvent OnTimer;

 private:
  void Update();

  std::unique_ptr<QTimer> FTimer;
  bool FEnabled = true;
  unsigned FInterval = 1000;
};
