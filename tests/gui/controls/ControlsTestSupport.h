// What the control tests share: the application on the Qt loop, the
// operator's hands (picking an item, answering an error box) and a fake
// machine whose port list the test chooses.
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"

namespace controls_test {

// A file-system root whose sys/class/tty and dev list the given ports as
// the kernel lists adapters ("pts/3" is the entry "pts!3" and the node
// dev/pts/3).
class FakePortTree {
 public:
  explicit FakePortTree(const std::vector<std::string>& ports) {
    dir_.mkpath("sys/class/tty");
    for (const std::string& port : ports) {
      QString entry = QString::fromStdString(port).replace('/', '!');
      dir_.mkpath("sys/class/tty/" + entry + "/device");
      const QString node = dir_.path() + "/dev/" + QString::fromStdString(port);
      QDir().mkpath(QFileInfo(node).path());
      QFile file(node);
      file.open(QIODevice::WriteOnly);
    }
  }
  std::string Root() const { return dir_.path().toStdString(); }

 private:
  QTemporaryDir temp_;
  QDir dir_{temp_.path()};
};

// The operator opens the list and chooses the item with that text. False if
// there is no such item or the list never closed.
inline bool Pick(QComboBox& combo, const QString& text) {
  const int index = combo.findText(text);
  if (index < 0) return false;
  if (!combo.window()->isVisible()) {
    combo.window()->show();
    if (!QTest::qWaitForWindowExposed(combo.window())) return false;
  }
  combo.showPopup();
  QAbstractItemView* view = combo.view();
  if (!QTest::qWaitFor([view] { return view->isVisible(); }, 10000)) {
    qWarning("the list did not open");
    return false;
  }
  const QModelIndex item = view->model()->index(index, 0);
  // Down the list to the item, then Return, as on the keyboard.
  view->setCurrentIndex(item);
  QTest::keyClick(view, Qt::Key_Return);
  if (!QTest::qWaitFor([view] { return !view->isVisible(); }, 10000)) {
    qWarning("the list did not close");
    return false;
  }
  return true;
}

// Answers the next error box with OK once it shows, keeping its text.
inline void AnswerNextBox(std::vector<QString>& seen) {
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      AnswerNextBox(seen);
      return;
    }
    seen.push_back(box->text());
    box->button(QMessageBox::Ok)->click();
  });
}

// main() of a control test: the application object on the Qt loop, so that
// the ports' hand-overs to the main thread are served while tests wait.
template <class Test>
int Run(int argc, char** argv) {
  GuardedApplication qt(argc, argv);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();
  Test test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace controls_test
