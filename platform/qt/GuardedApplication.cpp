#include "platform/qt/GuardedApplication.h"

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportException(nullptr);
    return false;
  }
}
