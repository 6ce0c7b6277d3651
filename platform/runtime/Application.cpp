#include "platform/runtime/Application.h"

#include <cstdio>

#include "platform/runtime/Threads.h"

TApplication* Application = nullptr;

TApplication::TApplication(std::unique_ptr<ApplicationBackend> backend)
    : TComponent(nullptr), FBackend(std::move(backend)) {
  if (Application == nullptr) Application = this;
}

TApplication::~TApplication() {
  // The forms may still report through the application while they go.
  DestroyComponents();
  if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
  MainThread::Bind();
  FBackend->Initialize();
}

void TApplication::Run() {
  FBackend->Run();
}

void TApplication::Terminate() {
  FBackend->Terminate();
}

void TApplication::ProcessMessages() {
  FBackend->ProcessMessages();
}

std::string ExceptionMessage(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
}

namespace {

// Dialogs belong to the main thread: from another one they are handed over
// and the caller waits until the operator closed them.
bool ElsewhereThanMainThread() {
  return MainThread::IsBound() && !MainThread::IsCurrent();
}

}  // namespace

void TApplication::HandleException(TObject*) {
  const std::exception_ptr error = std::current_exception();
  if (!error) return;
  ShowExceptionMessage(ExceptionMessage(error));
}

void TApplication::ShowException(const std::exception& error) {
  ShowExceptionMessage(error.what());
}

void TApplication::ShowExceptionMessage(const std::string& message) {
  if (ElsewhereThanMainThread()) {
    SynchronizeCall([&] { ShowExceptionMessage(message); });
    return;
  }
  if (OnExceptionShown) OnExceptionShown(message);
  FBackend->ShowException(message);
}

void TApplication::ShowMessage(const std::string& text) {
  if (ElsewhereThanMainThread()) {
    SynchronizeCall([&] { ShowMessage(text); });
    return;
  }
  if (OnMessageShown) OnMessageShown(text);
  FBackend->ShowMessage(text);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

void ReportException(TObject* sender) {
  if (Application != nullptr) {
    Application->HandleException(sender);
    return;
  }
  HeadlessBackend().ShowException(ExceptionMessage(std::current_exception()));
}

void ShowMessage(const std::string& text) {
  if (Application != nullptr) {
    Application->ShowMessage(text);
  } else {
    std::printf("[message] %s\n", text.c_str());
    std::fflush(stdout);
  }
}
