// Context switches of every thread of a process, read from /proc: how often
// its threads went to sleep (voluntary) or were pushed off a CPU
// (involuntary). A thread that sleeps undisturbed adds nothing, so the
// difference of two readings counts the process's wake-ups in between.
#pragma once

#include <sys/types.h>

#include <map>
#include <set>
#include <string>

struct TaskSwitches {
  std::string name;  // the thread's name (comm)
  long voluntary = 0;
  long involuntary = 0;
  long Total() const { return voluntary + involuntary; }
};

// By thread id; pid 0 reads the calling process. A thread that ends while
// it is read is left out.
std::map<pid_t, TaskSwitches> ReadTaskSwitches(pid_t pid = 0);

// The switches between two readings of one process: every thread's growth,
// and the whole count of a thread that started in between. Threads in
// `skip` are left out.
long SwitchesBetween(const std::map<pid_t, TaskSwitches>& before,
                     const std::map<pid_t, TaskSwitches>& after, const std::set<pid_t>& skip = {});

// The same growth summed by the threads' roles in process pid: "main" (the
// thread whose id is the process's), a named thread by its name ("comm-io",
// "comm-event", ...), and "other" for the rest, which carry the program's
// own name. Voluntary and involuntary switches apart.
std::map<std::string, TaskSwitches> SwitchesByRole(pid_t pid,
                                                   const std::map<pid_t, TaskSwitches>& before,
                                                   const std::map<pid_t, TaskSwitches>& after);
