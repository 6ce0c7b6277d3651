// What the window tests share: the window against a dispenser, the
// operator's hands (buttons, picks in a selector, message boxes), and what
// the dispenser received.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "console/tools/MessageBoxAnswerer.h"
#include "console/widgets/Memo.h"
#include "console/widgets/ProgressBar.h"
#include "console/widgets/StatusBar.h"
#include "console/window/MainForm.h"
#include "platform/qt/core/LoopUntil.h"
#include "platform/runtime/Registry.h"
#include "tests/gui/console/DispenserLine.h"

namespace console_test {

// The status bar's outcomes.
inline const QString kOpened = "포트가 정상적으로 열렸습니다.";
inline const QString kClosed = "포트가 정상적으로 닫혔습니다.";
inline const QString kInitFailed = "초기화에 문제가 발생하였습니다.";

// The ten bytes the dispenser answers to a count query with a total of 10,
// as a person reads them: STX, "00c0010", the checksum 0x86 (no character
// of code page 949 before ETX), ETX.
inline const QString kCountReplyText = QString::fromUtf8(u8"\u240200c0010\uFFFD\u2403");

// Options for a window on `port` that writes no session log.
inline TConsoleOptions OnPort(const std::string& port) {
  TConsoleOptions options;
  options.Port = port;
  options.NoLog = true;
  return options;
}

// The window, built as the program builds it, with Com1 on `port`. Each
// window keeps its settings in a store of its own unless it is given one.
class TWindow {
 public:
  explicit TWindow(const std::string& port) : TWindow(OnPort(port)) {}
  explicit TWindow(const TConsoleOptions& options, std::string store = {}) {
    TRegistry::SetStoreFile(store.empty() ? FScratch.filePath("registry").toStdString() : store);
    FForm = std::make_unique<TForm1>(nullptr, options);
  }

  TForm1& Form() { return *FForm; }
  TForm1* operator->() { return FForm.get(); }

  template <class T>
  T& Control(const char* name) {
    T* control = FForm->findChild<T*>(name);
    if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  void Click(const char* button) { Control<QAbstractButton>(button).click(); }
  QString Text(const char* edit) { return Control<QLineEdit>(edit).text(); }
  QStringList Log() { return Control<TMemo>("Memo1").Lines(); }
  int Position(const char* bar) { return Control<TProgressBar>(bar).value(); }
  QStringList Panels() {
    auto& bar = Control<TStatusBar>("StBar1");
    return {bar.Panel(0).text(), bar.Panel(1).text(), bar.Panel(2).text(), bar.Panel(3).text()};
  }

  // The operator opens the selector's list and chooses the item with that
  // text, on the keyboard. False if there is no such item.
  bool Pick(const char* selector, const QString& text) {
    auto& combo = Control<QComboBox>(selector);
    const int index = combo.findText(text);
    if (index < 0) return false;
    if (!FForm->isVisible()) {
      FForm->show();
      if (!QTest::qWaitForWindowExposed(FForm.get())) return false;
    }
    combo.showPopup();
    QAbstractItemView* view = combo.view();
    if (!LoopUntil([view] { return view->isVisible(); })) return false;
    view->setCurrentIndex(view->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
    return LoopUntil([view] { return !view->isVisible(); });
  }

 private:
  QTemporaryDir FScratch;
  std::unique_ptr<TForm1> FForm;
};

// The window against a virtual dispenser started with SimArguments() (the
// options of dispenser-sim), on each line this system offers (the test's
// parameter); every message box is answered with OK and kept.
class SimulatedDispenser : public ::testing::TestWithParam<TLineKind> {
 protected:
  virtual std::vector<std::string> SimArguments() const { return {}; }
  virtual TLineKind Line() const { return GetParam(); }

  void SetUp() override {
    FLine = StartDispenser(Line(), SimArguments());
    ASSERT_NE(FLine, nullptr);
    FWindow = std::make_unique<TWindow>(PortName());
  }
  void TearDown() override { FWindow.reset(); }

  // The port as an operator names it: "pts/N", "SIM:jam@2:3".
  std::string PortName() const { return FLine->PortName(); }
  std::vector<std::string> Received() const { return FLine->Received(); }
  bool ReceivedCount(std::size_t count) const {
    return LoopUntil([&] { return Received().size() >= count; });
  }

  TWindow& Window() { return *FWindow; }
  const std::vector<TMessageBoxAnswerer::TSeenBox>& Boxes() const { return FBoxes.Seen(); }
  QStringList BoxTexts() const {
    QStringList texts;
    for (const auto& box : FBoxes.Seen()) texts << box.Text;
    return texts;
  }

 private:
  std::unique_ptr<TDispenserLine> FLine;
  TMessageBoxAnswerer FBoxes;
  std::unique_ptr<TWindow> FWindow;
};

// Runs a fixture's tests on every line this system offers.
#define CONSOLE_TESTS_ON_EVERY_LINE(Fixture)                            \
  INSTANTIATE_TEST_SUITE_P(                                             \
      Lines, Fixture, ::testing::ValuesIn(::console_test::LineKinds()), \
      [](const auto& info) { return ::console_test::LineKindName(info.param); })

}  // namespace console_test

// Readable failures for Qt's strings.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* os) {
  *os << '[' << texts.join("|").toStdString() << ']';
}
