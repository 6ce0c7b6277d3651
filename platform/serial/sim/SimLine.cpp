#include "platform/serial/sim/SimLine.h"

#include <algorithm>
#include <vector>

namespace comm::sim {

SimLine::SimLine(std::shared_ptr<SimState> state) : state_(std::move(state)) {}

SimLine::~SimLine() {
  if (thread_.joinable()) Shutdown();
}

void SimLine::Start(LineDevice* device) {
  device_ = device;
  {
    std::lock_guard delivery(state_->delivery);
    std::lock_guard lock(state_->mu);
    state_->device = device;
  }
  thread_ = std::thread([this] { Run(); });
}

void SimLine::Shutdown() {
  {
    std::lock_guard lock(mu_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard delivery(state_->delivery);
  std::lock_guard lock(state_->mu);
  state_->device = nullptr;
  state_->open = false;
  state_->backlog.clear();
  state_->wantWritable = false;
}

void SimLine::Run() {
  std::unique_lock lock(mu_);
  for (;;) {
    // The timer may change while waiting: look at it again after every wake.
    while (!stop_ && !resume_ && !(timer_ && Clock::now() >= *timer_)) {
      if (timer_) {
        wake_.wait_until(lock, *timer_);
      } else {
        wake_.wait(lock);
      }
    }
    if (stop_) return;
    const bool resume = resume_;
    resume_ = false;
    const bool expired = timer_ && Clock::now() >= *timer_;
    if (expired) timer_.reset();
    lock.unlock();
    if (resume) DeliverBacklog();
    if (expired) device_->Expire();
    lock.lock();
  }
}

void SimLine::DeliverBacklog() {
  std::lock_guard delivery(state_->delivery);
  std::vector<std::uint8_t> chunk;
  for (;;) {
    {
      std::lock_guard lock(state_->mu);
      if (state_->backlog.empty()) return;
      chunk.assign(state_->backlog.begin(), state_->backlog.end());
    }
    const std::size_t taken = device_->Received(chunk.data(), chunk.size());
    std::lock_guard lock(state_->mu);
    // A purge may have emptied the backlog meanwhile.
    const std::size_t drop = std::min(taken, state_->backlog.size());
    state_->backlog.erase(state_->backlog.begin(),
                          state_->backlog.begin() + static_cast<std::ptrdiff_t>(drop));
    if (taken < chunk.size()) return;
  }
}

std::int32_t SimLine::Configure(const DCB& dcb) {
  std::lock_guard lock(state_->mu);
  state_->dcb = dcb;
  return 0;
}

std::int32_t SimLine::Send(const std::uint8_t* data, std::size_t count, std::size_t* accepted) {
  std::function<void()> listener;
  {
    std::lock_guard lock(state_->mu);
    if (!state_->OutputFlows()) {
      *accepted = 0;
      return 0;
    }
    state_->written.append(reinterpret_cast<const char*>(data), count);
    *accepted = count;
    state_->writtenChanged.notify_all();
    listener = state_->writeListener;
  }
  if (listener) listener();
  return 0;
}

void SimLine::WantWritable() {
  std::lock_guard lock(state_->mu);
  state_->wantWritable = true;
}

std::int32_t SimLine::ModemStatus(DWORD* status) {
  std::lock_guard lock(state_->mu);
  *status = state_->modem;
  return 0;
}

std::int32_t SimLine::Purge(DWORD flags) {
  if (flags & PURGE_RXCLEAR) {
    std::lock_guard lock(state_->mu);
    state_->backlog.clear();
  }
  return 0;
}

void SimLine::ResumeReceive() {
  {
    std::lock_guard lock(mu_);
    resume_ = true;
  }
  wake_.notify_all();
}

void SimLine::SetTimer(std::optional<Clock::time_point> when) {
  {
    std::lock_guard lock(mu_);
    timer_ = when;
  }
  wake_.notify_all();
}

}  // namespace comm::sim
