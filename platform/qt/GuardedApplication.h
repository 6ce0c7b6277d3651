// The QApplication of a program built on the runtime: an exception that
// leaves an event handler is shown through the application object's
// exception display (a message box) instead of unwinding through Qt, and the
// loop goes on. Handlers connected with Guarded() catch their own.
#pragma once

#include <QApplication>

#include <concepts>
#include <utility>

#include "platform/runtime/Application.h"

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

// Wraps a handler for a Qt signal: an exception that leaves it goes to
// Application->HandleException(sender), so it never unwinds through Qt.
template <class Handler>
auto Guarded(TObject* sender, Handler handler) {
  // Constrained, so that Qt can find how many of a signal's arguments the
  // handler takes.
  return [ sender, handler = std::move(handler) ](
      auto&&... args) mutable requires std::invocable<Handler&, decltype(args)...> {
    try {
      handler(std::forward<decltype(args)>(args)...);
    } catch (...) {
      ReportException(sender);
    }
  };
}
