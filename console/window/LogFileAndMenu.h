// The window's session log: which file it writes (a new one in the log
// folder, the one --log names, or none with --no-log), the log menu's
// entries that save the visible lines and open the folder, and the errors
// the application shows while the window lives.
#pragma once

#include <QString>

#include <functional>

#include "console/session/SessionRecorder.h"
#include "console/window/ConsoleOptions.h"

class QMenu;
class TMemo;

// Starts recording for the window. A file that cannot be opened, or later
// written or rotated, is reported through `report` (one line for the log),
// never a failure to start.
void StartWindowLog(TSessionRecorder& recorder, const TConsoleOptions& options,
                    const std::function<void(const QString&)>& report);

// "Save log as…" (the lines `log` shows) and "Open log folder".
void AddLogEntries(QMenu& menu, TMemo& log, const TSessionRecorder& recorder);

// The lines `log` shows into `path`, UTF-8, one a line. False if it cannot
// be written.
bool SaveVisibleLines(const TMemo& log, const QString& path);

// While it lives, every error the application shows is recorded as well,
// after whatever observed them before. (A lost device is not one of them: the
// window hears of it through the port's OnDeviceLost and records it there.)
class TShownErrors {
 public:
  explicit TShownErrors(TSessionRecorder& recorder);
  ~TShownErrors();
  TShownErrors(const TShownErrors&) = delete;
  TShownErrors& operator=(const TShownErrors&) = delete;

 private:
  std::function<void(const std::string&)> FPrevious;
};
