// The operator's hand on message boxes, for tests and tools that drive the
// window: every message box is answered with OK as soon as it shows, and
// its text and icon are kept in the order the boxes came.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

class TMessageBoxAnswerer : public QObject {
 public:
  struct TSeenBox {
    QString Text;
    QMessageBox::Icon Icon;
  };

  TMessageBoxAnswerer() { qApp->installEventFilter(this); }
  ~TMessageBoxAnswerer() override { qApp->removeEventFilter(this); }

  const std::vector<TSeenBox>& Seen() const { return FSeen; }
  void Forget() { FSeen.clear(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* box = qobject_cast<QMessageBox*>(watched)) {
        FSeen.push_back({box->text(), box->icon()});
        // Once its own loop runs; dropped if the box is gone by then.
        QMetaObject::invokeMethod(
            box, [box] { box->button(QMessageBox::Ok)->click(); }, Qt::QueuedConnection);
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::vector<TSeenBox> FSeen;
};
