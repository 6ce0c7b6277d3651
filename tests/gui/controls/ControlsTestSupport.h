// What the control tests share: the application on the Qt loop, the
// operator's hands (picking an item, answering an error box), what an LED
// told its handler, and a fake machine whose port list the test chooses.
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "controls/CPortCtl.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"
#include "tests/gui/controls/FakePortTree.h"

namespace controls_test {

inline constexpr int kPatience = 10000;  // ms: a safety net, never a measure

// The LED's states as its OnChange saw them, in order.
struct Changes {
  explicit Changes(TComLed& led) : led_(led) {
    led.SetOnChange([this, &led](TObject* sender, TLedState state) {
      QCOMPARE(sender, static_cast<TObject*>(&led));
      onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
      seen.push_back(state);
    });
  }
  // The LED tells its handler once more when it goes.
  ~Changes() { led_.SetOnChange(nullptr); }
  Changes(const Changes&) = delete;
  Changes& operator=(const Changes&) = delete;

  TComLed& led_;
  std::vector<TLedState> seen;
  bool onMainThread = true;
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
