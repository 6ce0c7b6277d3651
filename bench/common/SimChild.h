// dispenser-sim as a child process of a benchmark: started with the given
// arguments and --fast (a benchmark measures the console, not the line's
// time), its terminal's slave path read from its first line of output,
// stopped with SIGTERM when the object goes.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

struct TSimChild {
  pid_t Pid = -1;
  std::string SlavePath;

  explicit TSimChild(const std::string& program, std::vector<std::string> arguments = {}) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    Pid = fork();
    if (Pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      arguments.push_back("--fast");
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (std::string& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') SlavePath += c;
    close(out[0]);
    if (SlavePath.empty()) throw std::runtime_error("dispenser-sim printed no terminal path");
  }
  ~TSimChild() {
    kill(Pid, SIGTERM);
    waitpid(Pid, nullptr, 0);
  }
  TSimChild(const TSimChild&) = delete;
  TSimChild& operator=(const TSimChild&) = delete;
};
