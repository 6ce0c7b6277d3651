// TThread priorities as Linux sees them: the thread's own nice value, in
// steps from the process's.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

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

TEST(ThreadLife, PrioritiesCountFromTheNiceValueTheProcessRunsAt) {
  // As if started with `nice -n 3`: the main thread's value is the process's.
  const int before = getpriority(PRIO_PROCESS, getpid());
  ASSERT_EQ(setpriority(PRIO_PROCESS, getpid(), before + 3), 0);
  std::atomic<int> niceAtStart{-100};
  FunctionThread lowered([&](FunctionThread&) { niceAtStart = getpriority(PRIO_PROCESS, 0); });
  lowered.SetPriority(tpLower);
  lowered.Resume();
  lowered.WaitFor();
  EXPECT_EQ(niceAtStart.load(), before + 3 + 5);
  // Back where it was (only a privileged process may; elsewhere the rest of
  // this program simply runs 3 steps nicer).
  (void)setpriority(PRIO_PROCESS, getpid(), before);
}
