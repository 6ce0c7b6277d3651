// A probe program: one serial library doing the harness's work on the pty it
// is given (argv[1]), the same work for every library. What differs is the
// glue, a ProbePort: opening the port the library's way, writing, and running
// the main thread's loop, whose receive handler passes each block of bytes
// to Deliver. Everything else (checking frames, answering, timing, talking
// to the harness) is shared here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ProbeSession;

class ProbePort {
 public:
  virtual ~ProbePort() = default;

  // 9600 bit/s, 8N1, no flow control. Empty when open, else why not.
  virtual std::string Open(const std::string& path) = 0;
  virtual void Close() = 0;
  // From the main thread, also from inside the receive handler.
  virtual void Write(const std::uint8_t* data, std::size_t count) = 0;
  // Runs the main thread's loop until the handler has called Done().
  virtual void RunUntilDone() = 0;
  virtual void Done() = 0;

 protected:
  // The library's receive handler, on the main thread, with the bytes it read.
  void Deliver(const std::uint8_t* data, std::size_t count);

 private:
  friend int RunProbe(ProbePort& port, int argc, char** argv);
  ProbeSession* FSession = nullptr;
};

// The probe's main: serves the harness until it says Quit. Exit status 0, or
// 1 when the port cannot be opened or the harness went away.
int RunProbe(ProbePort& port, int argc, char** argv);
