#include "bench/common/TaskSwitches.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

std::map<pid_t, TaskSwitches> ReadTaskSwitches(pid_t pid) {
  const std::filesystem::path tasks =
      "/proc/" + (pid == 0 ? std::string("self") : std::to_string(pid)) + "/task";
  std::map<pid_t, TaskSwitches> threads;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    TaskSwitches entry;
    std::ifstream status(task.path() / "status");
    bool complete = false;
    for (std::string line; std::getline(status, line);) {
      const auto colon = line.find(':');
      if (colon == std::string::npos) continue;
      const std::string key = line.substr(0, colon);
      const std::string value = line.substr(colon + 1);
      if (key == "Name") {
        entry.name = value.substr(value.find_first_not_of(" \t"));
      } else if (key == "voluntary_ctxt_switches") {
        entry.voluntary = std::stol(value);
      } else if (key == "nonvoluntary_ctxt_switches") {
        entry.involuntary = std::stol(value);
        complete = true;
      }
    }
    if (complete) threads[static_cast<pid_t>(std::stol(task.path().filename().string()))] = entry;
  }
  return threads;
}

long SwitchesBetween(const std::map<pid_t, TaskSwitches>& before,
                     const std::map<pid_t, TaskSwitches>& after, const std::set<pid_t>& skip) {
  long total = 0;
  for (const auto& [task, entry] : after) {
    if (skip.count(task) != 0) continue;
    const auto earlier = before.find(task);
    total += entry.Total() - (earlier == before.end() ? 0 : earlier->second.Total());
  }
  return total;
}

std::map<std::string, TaskSwitches> SwitchesByRole(pid_t pid,
                                                   const std::map<pid_t, TaskSwitches>& before,
                                                   const std::map<pid_t, TaskSwitches>& after) {
  const auto main = after.find(pid);
  const std::string programName = main == after.end() ? std::string() : main->second.name;
  std::map<std::string, TaskSwitches> roles;
  for (const auto& [task, entry] : after) {
    const std::string role = task == pid                                       ? "main"
                             : entry.name == programName || entry.name.empty() ? "other"
                                                                               : entry.name;
    const auto earlier = before.find(task);
    TaskSwitches& sum = roles[role];
    sum.name = role;
    sum.voluntary += entry.voluntary - (earlier == before.end() ? 0 : earlier->second.voluntary);
    sum.involuntary +=
        entry.involuntary - (earlier == before.end() ? 0 : earlier->second.involuntary);
  }
  return roles;
}
