// TStatusBar: the bar along the window's bottom edge, with text panels (its
// child labels, numbered from 0 left to right, each with its own width and
// alignment) and a size grip in the right corner.
#pragma once

#include <QLabel>
#include <QWidget>

class QSizeGrip;

class TStatusBar : public QWidget {
  Q_OBJECT

 public:
  explicit TStatusBar(QWidget* parent = nullptr);

  int PanelCount() const;
  // Raises Exception "List index out of bounds (<index>)" for a panel that
  // does not exist.
  QLabel& Panel(int index) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QSizeGrip* FGrip;
};
