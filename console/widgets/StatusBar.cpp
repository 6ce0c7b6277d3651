#include "console/widgets/StatusBar.h"

#include <QSizeGrip>

#include <algorithm>
#include <vector>

#include "platform/runtime/SysUtils.h"

namespace {

std::vector<QLabel*> PanelsOf(const QWidget& bar) {
  std::vector<QLabel*> panels;
  for (QLabel* label : bar.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    panels.push_back(label);
  }
  std::stable_sort(panels.begin(), panels.end(),
                   [](const QLabel* a, const QLabel* b) { return a->x() < b->x(); });
  return panels;
}

}  // namespace

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent), FGrip(new QSizeGrip(this)) {}

int TStatusBar::PanelCount() const {
  return static_cast<int>(PanelsOf(*this).size());
}

QLabel& TStatusBar::Panel(int index) const {
  const std::vector<QLabel*> panels = PanelsOf(*this);
  if (index < 0 || index >= static_cast<int>(panels.size())) {
    throw Exception("List index out of bounds (" + IntToStr(index) + ")");
  }
  return *panels[static_cast<std::size_t>(index)];
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize grip = FGrip->sizeHint();
  FGrip->setGeometry(width() - grip.width(), height() - grip.height(), grip.width(), grip.height());
}
