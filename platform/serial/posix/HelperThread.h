// A thread that blocks in a call only a signal interrupts (TIOCMIWAIT,
// tcdrain). Stop() asks it to end and sends it a wake-up signal, whose
// handler is installed without SA_RESTART, again and again until the thread
// has ended: a stop that arrives just before the call blocks is not lost.
// The body waits for work on mu/cv and checks Stopping() after every call.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace comm::posix {

class HelperThread {
 public:
  HelperThread() = default;
  ~HelperThread() { Stop(); }
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // name: the thread's name as the system shows it (15 characters at most).
  void Start(const char* name, std::function<void()> body);
  bool Running() const { return thread_.joinable(); }
  bool Stopping() const { return stop_.load(std::memory_order_acquire); }
  void Stop();

  // For the body's own waiting; Stop notifies cv under mu.
  std::mutex mu;
  std::condition_variable cv;

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex exitMu_;
  std::condition_variable exited_;
  bool done_ = false;
};

}  // namespace comm::posix
