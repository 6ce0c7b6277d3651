// Anchors: the edges of its parent a control keeps its distance to when the
// parent is resized. A control anchored left and right stretches with the
// parent's width; one anchored only right moves with the right edge; one
// anchored to neither keeps its centre at the same proportion. The same for
// top and bottom. Stored as the "Anchors" property of a control in the
// window's layout ("akTop,akRight"); without it, left and top.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class QWidget;

struct TAnchors {
  bool Left = true, Top = true, Right = false, Bottom = false;
  friend bool operator==(const TAnchors&, const TAnchors&) = default;
};

// "akLeft,akTop" and the like; blanks around the names are ignored. Raises
// EReadError (console/widgets/FormControls.h) for a name that is no anchor.
TAnchors ParseAnchors(const QString& text);

// Where a control stored at `stored` in a parent of `storedParent` goes in
// a parent of `parent`.
QRect AnchoredGeometry(const QRect& stored, const QSize& storedParent, const QSize& parent,
                       const TAnchors& anchors);

// Follows the resizes of a window: every descendant with a stored "Anchors"
// property is placed by AnchoredGeometry against its parent's size at the
// time of construction.
class TAnchorKeeper : public QObject {
 public:
  explicit TAnchorKeeper(QWidget& window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TAnchored {
    QWidget* Control;
    QRect Stored;
    QSize StoredParent;
    TAnchors Anchors;
  };
  std::vector<TAnchored> FAnchored;
};
