#include "platform/serial/posix/HelperThread.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>

namespace comm::posix {

namespace {

void Ignore(int) {}

// A real-time signal the runtime does not use; its handler does nothing but
// interrupt a blocking call (EINTR), since SA_RESTART is not set.
int WakeSignal() {
  static const int signal = [] {
    const int number = SIGRTMIN + 5;
    struct sigaction action {};
    action.sa_handler = Ignore;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(number, &action, nullptr);
    return number;
  }();
  return signal;
}

}  // namespace

void HelperThread::Start(const char* name, std::function<void()> body) {
  WakeSignal();
  thread_ = std::thread([this, name, body = std::move(body)] {
    pthread_setname_np(pthread_self(), name);
    body();
    std::lock_guard lock(exitMu_);
    done_ = true;
    exited_.notify_all();
  });
}

void HelperThread::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mu);
    stop_.store(true, std::memory_order_release);
  }
  cv.notify_all();
  std::unique_lock lock(exitMu_);
  while (!done_) {
    pthread_kill(thread_.native_handle(), WakeSignal());
    exited_.wait_for(lock, std::chrono::milliseconds(5));
  }
  lock.unlock();
  thread_.join();
}

}  // namespace comm::posix
