// TThread priorities as Linux sees them: the thread's own nice value.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cerrno>

#include "tests/unit/runtime/FunctionThread.h"

TEST(ThreadLife, PriorityIsTheThreadsNiceValue) {
  std::atomic<int> niceAtStart{-100};
  FunctionThread lowered([&](FunctionThread&) {
    errno = 0;
    niceAtStart = getpriority(PRIO_PROCESS, 0);
  });
  EXPECT_EQ(lowered.Priority(), tpNormal);
  lowered.SetPriority(tpLower);
  lowered.Resume();
  lowered.WaitFor();
  EXPECT_EQ(niceAtStart.load(), getpriority(PRIO_PROCESS, 0) + 5);
}
