// The application object: initialise, create the main form, run the loop,
// process pending messages, show an exception or a modal message. Two
// implementations: the Qt one (platform/qt) for the window, and the headless
// one (here) for the command-line tool and the tests.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/runtime/Classes.h"

// What a toolkit provides to the application object. Every call comes from
// the main thread except Terminate, which may come from any thread.
class ApplicationBackend {
 public:
  virtual ~ApplicationBackend() = default;
  virtual void Initialize() {}         // after the main thread is bound
  virtual void Run() = 0;              // the loop, until Terminate
  virtual void Terminate() = 0;        // ends Run (or makes the next Run return at once)
  virtual void ProcessMessages() = 0;  // handles what is pending, then returns
  virtual void ShowMessage(const std::string& text) = 0;       // modal, OK button
  virtual void ShowException(const std::string& message) = 0;  // the error report
};

// The program's application object: the main thread's loop and its reports, on a backend.
class TApplication : public TComponent {
 public:
  // The first application object becomes the process's `Application`.
  explicit TApplication(std::unique_ptr<ApplicationBackend> backend);
  ~TApplication() override;  // frees the forms it owns first
  std::string ClassName() const override { return "TApplication"; }

  void Initialize();  // binds the main thread to the caller, then the backend's set-up

  // Builds a form owned by the application (`new TForm(this)`); the first
  // one becomes the main form.
  template <class TForm>
  void CreateForm(TForm*& reference) {
    reference = new TForm(this);
    if (FMainForm == nullptr) FMainForm = reference;
  }
  TComponent* MainForm() const { return FMainForm; }  // the first form created, or nullptr

  void Run();              // the backend's loop, until Terminate
  void Terminate();        // ends Run; any thread
  void ProcessMessages();  // handles what is pending, then returns

  // Shows the exception being handled (call it inside a catch block): its
  // message through the backend's error report. Sender is the object whose
  // work failed. Outside a catch block it does nothing. Like ShowMessage,
  // callable from any thread: the report is shown on the main thread while
  // the caller waits.
  void HandleException(TObject* sender);
  // Shows a given exception the same way.
  void ShowException(const std::exception& error);

  // A modal message with an OK button; returns when the operator closed it.
  void ShowMessage(const std::string& text);

  // Observers for tests: see every message and every exception report as it
  // is shown (called first; the backend then shows it).
  std::function<void(const std::string&)> OnMessageShown;
  std::function<void(const std::string&)> OnExceptionShown;

  ApplicationBackend& Backend() { return *FBackend; }  // the backend it runs on

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void ShowExceptionMessage(const std::string& message);

  std::unique_ptr<ApplicationBackend> FBackend;
  TComponent* FMainForm = nullptr;
};

// The process's application object, or null before one exists.
extern TApplication* Application;

// ShowMessage through the application object (without one: "[message] text"
// on stdout).
void ShowMessage(const std::string& text);

// Inside a catch block: shows the exception through
// Application->HandleException(sender), or, without an application object,
// as one line on stderr. For code that must not let an exception go on (a
// queued call, a toolkit's event handler).
void ReportException(TObject* sender);

// The text an exception shows: its message, or "Unknown exception".
std::string ExceptionMessage(const std::exception_ptr& error);

// The headless backend: Run serves the main thread's queue and its sources
// until Terminate; ShowMessage writes "[message] text" to stdout and
// returns, or asks `answer` when set (tests); an exception is one line on
// stderr.
class HeadlessBackend : public ApplicationBackend {
 public:
  ~HeadlessBackend() override;
  void Initialize() override;  // the loop serves sources
  void Run() override;
  void Terminate() override;
  void ProcessMessages() override;
  void ShowMessage(const std::string& text) override;
  void ShowException(const std::string& message) override;

  // When set, ShowMessage hands the text to it instead of printing it.
  std::function<void(const std::string&)> answer;

 private:
  std::atomic<bool> FTerminated{false};
  bool FServesSources = false;  // set by Initialize
};
