// The application backend on Qt Widgets: Qt's loop as in QtLoopBackend, and
// the dialogs as modal QMessageBoxes. Texts are UTF-8. Create it on the main
// thread once the QApplication exists.
#pragma once

#include <string>

#include "platform/qt/core/QtLoopBackend.h"

// The application backend of a Qt Widgets program.
class QtBackend : public QtLoopBackend {
 public:
  void ShowMessage(const std::string& text) override;
  void ShowException(const std::string& message) override;
};
