#include "console/window/AboutBox.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>

#include "ProjectVersion.h"

namespace {

const QString kAboutEntry = "About dispenser-console";

void ShowAbout(QWidget* window) {
  QMessageBox box(window);
  box.setWindowTitle(kAboutEntry);
  box.setIconPixmap(qApp->windowIcon().pixmap(64, 64));
  box.setTextFormat(Qt::PlainText);
  box.setText(AboutText());
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

}  // namespace

QString AboutText() {
  return QString(
             "dispenser-console %1\n"
             "The test console of the banknote dispenser on a serial line.\n"
             "Running on Qt %2.\n\n"
             "Copyright (c) 2026 the dispenser-console authors.\n"
             "Free software under the MIT License.")
      .arg(kProjectVersion, qVersion());
}

void AddAboutEntry(QPlainTextEdit& log, std::function<void(QMenu&)> addEntries) {
  log.setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(&log, &QWidget::customContextMenuRequested, &log,
                   [&log, addEntries](const QPoint& at) {
                     QMenu* menu = log.createStandardContextMenu(at);
                     menu->setAttribute(Qt::WA_DeleteOnClose);
                     menu->addSeparator();
                     if (addEntries) addEntries(*menu);
                     QObject::connect(menu->addAction(kAboutEntry), &QAction::triggered, &log,
                                      [&log] { ShowAbout(log.window()); });
                     menu->popup(log.viewport()->mapToGlobal(at));
                   });
}
