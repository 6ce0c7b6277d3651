#include "platform/runtime/Application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Threads.h"

namespace {

class HeadlessApplication : public ::testing::Test {
 protected:
  HeadlessApplication() : app(std::make_unique<HeadlessBackend>()) {
    app.Initialize();
    app.OnExceptionShown = [this](const std::string& text) { exceptions.push_back(text); };
    app.OnMessageShown = [this](const std::string& text) { messages.push_back(text); };
  }
  HeadlessBackend& backend() { return static_cast<HeadlessBackend&>(app.Backend()); }

  TApplication app;
  std::vector<std::string> exceptions;
  std::vector<std::string> messages;
};

class Form : public TComponent {
 public:
  explicit Form(TComponent* owner) : TComponent(owner) {}
};

}  // namespace

TEST_F(HeadlessApplication, RunServesHandedOverCallsUntilTerminate) {
  EXPECT_EQ(Application, &app);
  std::vector<int> ran;
  std::thread worker([&] {
    for (int i = 0; i < 20; ++i) SynchronizeCall([&, i] { ran.push_back(i); });
    Application->Terminate();  // from another thread
  });
  app.Run();
  worker.join();
  ASSERT_EQ(ran.size(), 20u);
  EXPECT_EQ(ran.back(), 19);
}

TEST_F(HeadlessApplication, HandleExceptionShowsTheMessageAsOneLineOnStderr) {
  testing::internal::CaptureStderr();
  try {
    throw EConvertError("'ab' is not\r\na valid integer value");
  } catch (...) {
    app.HandleException(&app);
  }
  app.HandleException(nullptr);  // outside a catch block: nothing to show
  try {
    throw 42;
  } catch (...) {
    app.HandleException(nullptr);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "'ab' is not  a valid integer value\nUnknown exception\n");
  EXPECT_EQ(exceptions, (std::vector<std::string>{"'ab' is not\r\na valid integer value",
                                                  "Unknown exception"}));
}

TEST_F(HeadlessApplication, AQueuedCallThatRaisesIsShownAndTheNextOneStillRuns) {
  bool second = false;
  MainThread::Post([] { throw Exception("first failed"); });
  MainThread::Post([&] { second = true; });
  testing::internal::CaptureStderr();
  app.ProcessMessages();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "first failed\n");
  EXPECT_TRUE(second);
  EXPECT_EQ(exceptions, (std::vector<std::string>{"first failed"}));
}

TEST_F(HeadlessApplication, ShowMessageIsAnsweredByTheTestOrPrinted) {
  std::vector<std::string> answered;
  backend().answer = [&](const std::string& text) { answered.push_back(text); };
  ShowMessage("3 notes dispensed");
  EXPECT_EQ(answered, (std::vector<std::string>{"3 notes dispensed"}));
  EXPECT_EQ(messages, answered);

  backend().answer = nullptr;
  testing::internal::CaptureStdout();
  ShowMessage("hello");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[message] hello\n");
}

TEST_F(HeadlessApplication, DialogsFromAnotherThreadAreShownOnTheMainThread) {
  std::vector<bool> onMain;
  backend().answer = [&](const std::string&) { onMain.push_back(MainThread::IsCurrent()); };
  std::thread worker([] {
    ShowMessage("from the event thread");
    try {
      throw Exception("Read error");
    } catch (...) {
      Application->HandleException(nullptr);
    }
    Application->Terminate();
  });
  testing::internal::CaptureStderr();
  app.Run();
  worker.join();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Read error\n");
  EXPECT_EQ(onMain, (std::vector<bool>{true}));
  EXPECT_EQ(messages, (std::vector<std::string>{"from the event thread"}));
  EXPECT_EQ(exceptions, (std::vector<std::string>{"Read error"}));
}

TEST_F(HeadlessApplication, FirstCreatedFormIsTheMainFormAndIsFreedWithTheApplication) {
  Form* main = nullptr;
  Form* second = nullptr;
  app.CreateForm(main);
  app.CreateForm(second);
  EXPECT_EQ(app.MainForm(), main);
  EXPECT_EQ(main->Owner(), &app);
  delete main;
  EXPECT_EQ(app.MainForm(), nullptr);
  EXPECT_EQ(app.ComponentCount(), 1);
}
