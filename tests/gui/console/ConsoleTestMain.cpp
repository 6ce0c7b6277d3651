// The window tests run on the Qt loop with the application object, so that
// the port's hand-overs and the message boxes work as in the program.
#include <gtest/gtest.h>

#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Also when ctest lists the tests, which it does without the test environment.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  GuardedApplication qt(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  return RUN_ALL_TESTS();
}
