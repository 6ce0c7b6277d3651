// dispenser-console: the test console of the banknote dispenser.
#include <QDir>
#include <QIcon>

#include <iostream>
#include <string_view>
#include <vector>

#include "ProjectVersion.h"
#include "console/simulator/SimDispenser.h"
#include "console/window/MainForm.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"

int main(int argc, char** argv) {
  // Before the toolkit, so that --help and a wrong command line need no display.
  try {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    TForm1::StartOptions() = ParseConsoleOptions(args);
  } catch (const EConsoleUsage& e) {
    std::cerr << "dispenser-console: " << e.Message() << '\n' << ConsoleUsage();
    return 2;
  }
  if (TForm1::StartOptions().Help) {
    std::cout << ConsoleUsage();
    return 0;
  }
  if (TForm1::StartOptions().Version) {
    std::cout << "dispenser-console " << kProjectVersion << '\n';
    return 0;
  }

  RegisterSimDispenser();  // the port SIM: the virtual dispenser in this program
  GuardedApplication qt(argc, argv);
  QApplication::setApplicationDisplayName("dispenser-console");
  QApplication::setApplicationVersion(kProjectVersion);
  QIcon icon;
  for (const QString& size : QDir(":/icon").entryList()) icon.addFile(":/icon/" + size);
  QApplication::setWindowIcon(icon);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  TForm1* Form1 = nullptr;
  try {
    application.CreateForm(Form1);
  } catch (const std::exception& e) {
    application.ShowException(e);
    return 1;
  }
  Form1->show();
  application.Run();
  return 0;
}
