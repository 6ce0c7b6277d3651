#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QMessageBox>

namespace {

void ShowBox(QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, QGuiApplication::applicationDisplayName(), QString::fromStdString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace

void QtBackend::ShowMessage(const std::string& text) {
  ShowBox(QMessageBox::NoIcon, text);
}

void QtBackend::ShowException(const std::string& message) {
  ShowBox(QMessageBox::Critical, message);
}
