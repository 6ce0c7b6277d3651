// TThread priorities as Windows sees them: the thread's own priority level,
// set before the start and while it runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "tests/unit/runtime/FunctionThread.h"

TEST(ThreadLife, PriorityIsTheThreadsPriorityLevel) {
  std::atomic<int> atStart{-100};
  std::atomic<int> afterChange{-100};
  const HANDLE running = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const HANDLE changed = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  FunctionThread thread([&](FunctionThread&) {
    atStart = ::GetThreadPriority(::GetCurrentThread());
    ::SetEvent(running);
    ::WaitForSingleObject(changed, INFINITE);
    afterChange = ::GetThreadPriority(::GetCurrentThread());
  });
  thread.SetPriority(tpLower);
  thread.Resume();
  ::WaitForSingleObject(running, INFINITE);
  thread.SetPriority(tpIdle);  // a running thread changes at once
  ::SetEvent(changed);
  thread.WaitFor();
  ::CloseHandle(running);
  ::CloseHandle(changed);
  EXPECT_EQ(atStart.load(), THREAD_PRIORITY_BELOW_NORMAL);
  EXPECT_EQ(afterChange.load(), THREAD_PRIORITY_IDLE);
}
