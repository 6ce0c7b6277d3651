// The window tests run on the Qt loop with the application object, so that
// the port's hand-overs and the message boxes work as in the program.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTimer>

#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"

#include <cstdlib>
#include <filesystem>
#include <string>

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
  // The windows keep their settings and session logs in folders of the run's own.
  char home[] = "/tmp/console-tests.XXXXXX";
  if (mkdtemp(home) == nullptr) return 1;
  setenv("XDG_CONFIG_HOME", (std::string(home) + "/config").c_str(), 1);
  setenv("XDG_STATE_HOME", (std::string(home) + "/state").c_str(), 1);
  // Also when ctest lists the tests, which it does without the test environment.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  GuardedApplication qt(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  UnansweredBoxes unanswered;
  qt.installEventFilter(&unanswered);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(home);
  return result;
}
