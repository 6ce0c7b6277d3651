// One probe program started by the harness on the slave end of a pty, with
// the control socket as its descriptor 3; its peak resident size once it
// has ended.
#pragma once

#include <sys/types.h>

#include <string>

class ProbeProcess {
 public:
  // Starts program with the pty's path. Raises std::runtime_error.
  ProbeProcess(const std::string& program, const std::string& ptyPath);
  ~ProbeProcess();  // kills a probe that is still running
  ProbeProcess(const ProbeProcess&) = delete;
  ProbeProcess& operator=(const ProbeProcess&) = delete;

  pid_t Pid() const { return FPid; }
  int Control() const { return FControl; }

  // Waits for the probe to exit: its peak resident set in KiB, or -1 when
  // it failed or did not exit within timeoutMs (it is killed then).
  long WaitForExit(int timeoutMs);
  void Kill();

 private:
  pid_t FPid = -1;
  int FControl = -1;
};
