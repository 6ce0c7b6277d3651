// The window tests run on the Qt loop with the application object, so that
// the port's hand-overs and the message boxes work as in the program.
#include <gtest/gtest.h>

#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"

namespace {

// A message box that no test answers would hold the whole run until ctest's
// time-out. This one closes such a box after a while and fails the running
// test with its text. Boxes that a test answers are gone before the timer
// fires, which takes the timer with them.
class UnansweredBoxes : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* box = qobject_cast<QMessageBox*>(watched)) {
        QTimer::singleShot(10000, box, [box] {
          ADD_FAILURE() << "a message box nobody answered: " << box->text().toStdString();
          box->done(QMessageBox::Ok);
        });
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The windows keep their settings and session logs in folders of the run's
  // own (on Windows the settings are the registry of Wine's throw-away prefix).
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
  qputenv("XDG_STATE_HOME", home.filePath("state").toUtf8());
  qputenv("LOCALAPPDATA", QDir::toNativeSeparators(home.filePath("state")).toUtf8());
  // Also when ctest lists the tests, which it does without the test environment.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  GuardedApplication qt(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  UnansweredBoxes unanswered;
  qt.installEventFilter(&unanswered);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  return RUN_ALL_TESTS();
}
