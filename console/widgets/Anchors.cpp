#include "console/widgets/Anchors.h"

#include <QEvent>
#include <QStringList>
#include <QWidget>

#include "console/widgets/FormControls.h"

namespace {

// One axis: the stored start and length, given the anchors at both ends.
std::pair<int, int> Place(int start, int length, int storedSpan, int span, bool nearEdge,
                          bool farEdge) {
  const int grown = span - storedSpan;
  if (nearEdge && farEdge) return {start, length + grown};
  if (farEdge) return {start + grown, length};
  if (nearEdge) return {start, length};
  if (storedSpan <= 0) return {start, length};
  // Neither: the centre keeps its proportion of the span.
  const double centre = (start + length / 2.0) * span / storedSpan;
  return {static_cast<int>(centre - length / 2.0), length};
}

}  // namespace

TAnchors ParseAnchors(const QString& text) {
  TAnchors anchors{false, false, false, false};
  for (const QString& part : text.split(',', Qt::SkipEmptyParts)) {
    const QString name = part.trimmed();
    if (name == "akLeft") {
      anchors.Left = true;
    } else if (name == "akTop") {
      anchors.Top = true;
    } else if (name == "akRight") {
      anchors.Right = true;
    } else if (name == "akBottom") {
      anchors.Bottom = true;
    } else {
      throw EReadError("Invalid property value '" + text.toStdString() + "' for Anchors");
    }
  }
  return anchors;
}

QRect AnchoredGeometry(const QRect& stored, const QSize& storedParent, const QSize& parent,
                       const TAnchors& anchors) {
  const auto [x, width] = Place(stored.x(), stored.width(), storedParent.width(), parent.width(),
                                anchors.Left, anchors.Right);
  const auto [y, height] = Place(stored.y(), stored.height(), storedParent.height(),
                                 parent.height(), anchors.Top, anchors.Bottom);
  return {x, y, width, height};
}

TAnchorKeeper::TAnchorKeeper(QWidget& window) : QObject(&window) {
  for (QWidget* control : window.findChildren<QWidget*>()) {
    const QVariant stored = control->property("Anchors");
    if (!stored.isValid() || control->parentWidget() == nullptr) continue;
    QWidget* parent = control->parentWidget();
    FAnchored.push_back(
        {control, control->geometry(), parent->size(), ParseAnchors(stored.toString())});
    parent->installEventFilter(this);
  }
}

bool TAnchorKeeper::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    for (const TAnchored& entry : FAnchored) {
      if (entry.Control->parentWidget() != watched) continue;
      entry.Control->setGeometry(AnchoredGeometry(
          entry.Stored, entry.StoredParent, entry.Control->parentWidget()->size(), entry.Anchors));
    }
  }
  return QObject::eventFilter(watched, event);
}
