#include "bench/compare/ProbeProcess.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "bench/compare/Control.h"

ProbeProcess::ProbeProcess(const std::string& program, const std::string& ptyPath) {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
    throw std::runtime_error(std::string("socketpair: ") + std::strerror(errno));
  }
  FPid = ::fork();
  if (FPid < 0) {
    ::close(pair[0]);
    ::close(pair[1]);
    throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  }
  if (FPid == 0) {
    // dup2 clears close-on-exec on the copy.
    if (::dup2(pair[1], kControlFd) < 0) ::_exit(127);
    ::execl(program.c_str(), program.c_str(), ptyPath.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pair[1]);
  FControl = pair[0];
}

ProbeProcess::~ProbeProcess() {
  if (FPid > 0) {
    Kill();
    WaitForExit(5000);
  }
  if (FControl >= 0) ::close(FControl);
}

void ProbeProcess::Kill() {
  if (FPid > 0) ::kill(FPid, SIGKILL);
}

long ProbeProcess::WaitForExit(int timeoutMs) {
  if (FPid <= 0) return -1;
  for (int waited = 0;; waited += 10) {
    int status = 0;
    rusage usage{};
    const pid_t done = ::wait4(FPid, &status, WNOHANG, &usage);
    if (done == FPid) {
      FPid = -1;
      return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
    }
    if (done < 0 && errno != EINTR) {
      FPid = -1;
      return -1;
    }
    if (waited >= timeoutMs) {
      Kill();
      timeoutMs = waited + 5000;  // now wait for the kill
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
