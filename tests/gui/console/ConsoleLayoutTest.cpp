// The stored layout as the window builds it: fonts in pixel sizes from the
// layout's style sheets, hints shown or kept, what lies in which group box
// and on top of what, and the controls that follow the right and bottom
// edges when the window grows.
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "ConsoleTestSupport.h"
#include "ProjectVersion.h"
#include "console/widgets/Anchors.h"
#include "console/widgets/FormControls.h"
#include "controls/CPortCtl.h"

using console_test::TWindow;

namespace {

class ConsoleLayout : public ::testing::Test {
 protected:
  ConsoleLayout() { window->show(); }
  TWindow window{"ttyNOSUCH9"};
};

TEST_F(ConsoleLayout, FontsAreTahomaInTheStoredPixelSizes) {
  struct Font {
    const char* control;
    int pixels;
    bool bold;
  };
  const Font fonts[] = {
      {"Label1", 11, false}, {"Edit3", 11, false},  {"Button5", 11, true},  {"Memo1", 13, false},
      {"Button1", 13, true}, {"Edit9", 13, false},  {"Button2", 20, false}, {"Button3", 17, false},
      {"Button4", 16, true}, {"Label3", 15, false}, {"Label2", 12, false},
  };
  for (const Font& expected : fonts) {
    const QFont font = window.Control<QWidget>(expected.control).font();
    EXPECT_EQ(font.family(), "Tahoma") << expected.control;
    EXPECT_EQ(font.pixelSize(), expected.pixels) << expected.control;
    EXPECT_EQ(font.bold(), expected.bold) << expected.control;
  }
}

TEST_F(ConsoleLayout, HintsAreShownWhereStoredSoAndKeptOtherwise) {
  EXPECT_EQ(window.Control<QWidget>("Button2").toolTip(), "포트를 엽니다.");
  EXPECT_EQ(window.Control<QWidget>("cnterrclr").toolTip(), "배출기의 error와 카운터를  지웁니다.");
  EXPECT_EQ(window.Control<QWidget>("Button7").toolTip(), "");
  EXPECT_EQ(window.Control<QWidget>("Memo1").toolTip(), "");
  EXPECT_EQ(window.Control<QWidget>("Memo1").property("Hint").toString(),
            "배출기로부터 들어온 응답신호입니다.");
  EXPECT_EQ(window.Control<QWidget>("Edit1").toolTip(), "");
  EXPECT_EQ(window.Control<QWidget>("Edit1").property("Hint").toString(),
            "배출된 지폐숫자와 상태값이 나타납니다.");
}

TEST_F(ConsoleLayout, GroupBoxesHoldTheirControlsAndTheDispenseButtonLiesOnTop) {
  auto& settings = window.Control<QGroupBox>("GroupBox2");
  EXPECT_EQ(settings.title(), "Port Setting");
  EXPECT_EQ(window.Control<QWidget>("ComComboBox6").parentWidget(), &settings);
  EXPECT_EQ(window.Control<QWidget>("ComComboBox5").parentWidget(), &window.Form());
  EXPECT_EQ(window.Control<QWidget>("Edit1").parentWidget(), &window.Control<QWidget>("GroupBox1"));
  EXPECT_EQ(window.Form().childAt(40, 375), &window.Control<QWidget>("Button5"));
  // The selectors lie over the settings box, not under it.
  EXPECT_EQ(window.Form().childAt(100, 236), &window.Control<QWidget>("ComComboBox1"));
}

TEST_F(ConsoleLayout, AnchoredControlsFollowTheEdgesWhenTheWindowGrows) {
  const QRect edit2 = window.Control<QWidget>("Edit2").geometry();
  const QRect memo = window.Control<QWidget>("Memo1").geometry();
  window->resize(692, 565);
  QTest::qWait(0);
  EXPECT_EQ(window.Control<QWidget>("Edit2").geometry(), edit2.translated(100, 0));
  EXPECT_EQ(window.Control<QWidget>("Edit3").geometry(), QRect(390, 440, 121, 21));
  EXPECT_EQ(window.Control<QWidget>("StBar1").geometry(), QRect(0, 546, 692, 19));
  EXPECT_EQ(window.Control<QWidget>("Memo1").geometry(), memo);
}

TEST_F(ConsoleLayout, TheLogsMenuEndsInItsFileEntriesAndAboutWhichLeavesTheWindowAsStored) {
  TMessageBoxAnswerer answerer;
  const QRect geometry = window->geometry();
  auto& log = window.Control<TMemo>("Memo1");
  const QPoint at(20, 20);
  QContextMenuEvent click(QContextMenuEvent::Mouse, at, log.viewport()->mapToGlobal(at));
  QApplication::sendEvent(log.viewport(), &click);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> entries = menu->actions();
  EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                          [](QAction* entry) { return entry->text().startsWith("Select All"); }));
  ASSERT_EQ(entries.last()->text(), "About dispenser-console");
  EXPECT_EQ(entries[entries.size() - 3]->text(), "Save log as…");
  EXPECT_EQ(entries[entries.size() - 2]->text(), "Open log folder");

  entries.last()->trigger();
  menu->close();
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_TRUE(
      answerer.Seen()[0].Text.startsWith(QString("dispenser-console %1\n").arg(kProjectVersion)))
      << answerer.Seen()[0].Text.toStdString();
  EXPECT_EQ(window->windowTitle(), "Form1");
  EXPECT_EQ(window->geometry(), geometry);
}

TEST(Anchors, EachAxisKeepsTheDistancesToItsAnchoredEdges) {
  const QRect stored(100, 50, 40, 20);
  const QSize from(400, 300), to(500, 360);
  EXPECT_EQ(AnchoredGeometry(stored, from, to, ParseAnchors("akLeft,akTop")), stored);
  EXPECT_EQ(AnchoredGeometry(stored, from, to, ParseAnchors("akTop, akRight")),
            QRect(200, 50, 40, 20));
  EXPECT_EQ(AnchoredGeometry(stored, from, to, ParseAnchors("akLeft,akTop,akRight,akBottom")),
            QRect(100, 50, 140, 80));
  EXPECT_EQ(AnchoredGeometry(stored, from, to, ParseAnchors("akBottom")),
            QRect(130, 110, 40, 20));  // no horizontal anchor: the centre keeps its proportion
  EXPECT_THROW(ParseAnchors("akTop,akMiddle"), EReadError);
}

}  // namespace
