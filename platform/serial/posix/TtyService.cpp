// The service thread of a terminal: epoll on the terminal, the command
// eventfd and the grace timer, eager reading into the device's input queue,
// PARMRK decoding and error classification, writability, time-outs, hang-up;
// and the input read by a thread that sleeps on the pending event wait
// instead, left by it between its sleeps and taken back after the grace.
#include <linux/serial.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>

#include "platform/loop/LoopSource.h"
#include "platform/serial/LineDevice.h"
#include "platform/serial/posix/TtyLine.h"

namespace comm::posix {


void TtyLine::Poke() {
  const std::uint64_t one = 1;
  while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void TtyLine::UpdateInterest() {
  if (!watching_) return;
  const std::uint32_t wanted =
      (wantIn_ && input_ == Input::kService ? std::uint32_t{EPOLLIN} : 0u) |
      (wantOut_ ? std::uint32_t{EPOLLOUT} : 0u);
  if (wanted == interest_) return;
  epoll_event event{};
  event.events = wanted;
  event.data.fd = fd_;
  if (::epoll_ctl(epoll_, EPOLL_CTL_MOD, fd_, &event) == 0) interest_ = wanted;
}

void TtyLine::Serve() {
  epoll_event events[4];
  for (;;) {
    int timeout = -1;
    {
      std::lock_guard lock(mu_);
      if (stop_) return;
      timeout = loop::MillisecondsUntil(timer_);
    }
    const int n = ::epoll_wait(epoll_, events, 4, timeout);
    if (n < 0 && errno != EINTR) {
      LineGone(EIO);
      return;
    }
    bool readable = false, writable = false, hangUp = false, graceOver = false;
    for (int i = 0; i < n; ++i) {
      if (events[i].data.fd == grace_) {
        std::uint64_t expirations;
        while (::read(grace_, &expirations, sizeof expirations) < 0 && errno == EINTR) {
        }
        graceOver = true;
        continue;
      }
      if (events[i].data.fd == wake_) {
        std::uint64_t value;
        while (::read(wake_, &value, sizeof value) < 0 && errno == EINTR) {
        }
        std::lock_guard lock(mu_);
        if (stop_) return;
        readable = readable || readAgain_;
        readAgain_ = false;
        continue;
      }
      readable = readable || (events[i].events & EPOLLIN) != 0;
      writable = writable || (events[i].events & EPOLLOUT) != 0;
      hangUp = hangUp || (events[i].events & (EPOLLHUP | EPOLLERR)) != 0;
    }
    if (graceOver) GraceExpired();
    if (readable || hangUp) {
      std::lock_guard lock(readMu_);
      ReadAvailable(hangUp);
    }
    if (writable) {
      {
        std::lock_guard lock(mu_);
        wantOut_ = false;
        UpdateInterest();
      }
      device_->Writable();
    }
    bool expired = false;
    {
      std::lock_guard lock(mu_);
      if (timer_ && Clock::now() >= *timer_) {
        timer_.reset();
        expired = true;
      }
    }
    if (expired) device_->Expire();
  }
}

// --- the input adopted by a sleeping waiter --------------------------------

// Hands the terminal's input to threads that sleep on the pending event wait.
// It outlives the line if a waiter still holds it; Retire, when the line
// shuts down, waits until no waiter uses the line any more.
class TtyLine::InputHelper : public EventHelper {
 public:
  explicit InputHelper(TtyLine* line) : line_(line) {}

  int Adopt() override {
    {
      std::lock_guard lock(mu_);
      if (retired_) return -1;
      ++users_;
    }
    const int fd = line_->AdoptInput();
    if (fd < 0) Release();
    return fd;
  }
  void Serve(bool hangUp) override { line_->ServeInput(hangUp); }
  void Disown() override {
    line_->DisownInput();
    Release();
  }

  void Retire() {
    std::unique_lock lock(mu_);
    retired_ = true;
    idle_.wait(lock, [this] { return users_ == 0; });
  }

 private:
  void Release() {
    {
      std::lock_guard lock(mu_);
      --users_;
    }
    idle_.notify_all();
  }

  TtyLine* const line_;
  std::mutex mu_;
  std::condition_variable idle_;
  bool retired_ = false;
  int users_ = 0;
};

void TtyLine::StartInputHelper() {
  inputHelper_ = std::make_shared<InputHelper>(this);
}

void TtyLine::RetireInputHelper() {
  if (inputHelper_) inputHelper_->Retire();
}

// The service thread stops watching the input while the adopter does; an
// input left by the previous sleeper is adopted without a system call.
int TtyLine::AdoptInput() {
  std::lock_guard lock(mu_);
  if (stop_ || !watching_ || !wantIn_ || input_ == Input::kSleeper) return -1;
  input_ = Input::kSleeper;
  UpdateInterest();
  return fd_;
}

void TtyLine::ServeInput(bool hangUp) {
  std::lock_guard lock(readMu_);
  ReadAvailable(hangUp);
}

// The input is left for the next sleeper, unless someone needs it read now.
void TtyLine::DisownInput() {
  std::lock_guard lock(mu_);
  if (input_ != Input::kSleeper) return;
  if (readWaiting_ || !wantIn_) return TakeBackInput();
  input_ = Input::kLeft;
  leftAt_ = Clock::now();
  if (!graceArmed_) ArmGrace(leftAt_ + Grace());
}

void TtyLine::TakeBackInput() {
  input_ = Input::kService;
  UpdateInterest();
}

void TtyLine::ArmGrace(Clock::time_point when) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch());
  itimerspec at{};
  at.it_value.tv_sec = static_cast<time_t>(ns.count() / 1000000000);
  at.it_value.tv_nsec = static_cast<long>(ns.count() % 1000000000);
  if (at.it_value.tv_sec == 0 && at.it_value.tv_nsec == 0) at.it_value.tv_nsec = 1;  // 0 disarms
  graceArmed_ = ::timerfd_settime(grace_, TFD_TIMER_ABSTIME, &at, nullptr) == 0;
  if (!graceArmed_) TakeBackInput();  // nothing would tell when the grace is over
}

// The timer is not armed again while a sleeper holds the input: the sleeper
// arms it when it leaves the input next.
void TtyLine::GraceExpired() {
  std::lock_guard lock(mu_);
  graceArmed_ = false;
  if (input_ != Input::kLeft) return;
  const Clock::time_point over = leftAt_ + Grace();
  if (Clock::now() >= over) return TakeBackInput();
  ArmGrace(over);  // left again since the timer was armed
}

// Half the time a UART's 4 KiB receive buffer takes to fill at the line's
// rate with its shortest characters (7 bits: 5 data bits, 1 stop bit), at
// most 50 ms, so that a program that polls the input queue without a wait
// sees its bytes soon too.
TtyLine::Clock::duration TtyLine::Grace() const {
  const std::int64_t rate = std::max<std::uint32_t>(rate_.load(), 50);
  const std::chrono::microseconds fill(std::int64_t{4096} * 7 * 1000000 / rate);
  return std::clamp<Clock::duration>(fill / 2, std::chrono::milliseconds(1),
                                     std::chrono::milliseconds(50));
}

// A wait that ends while nobody watches the input (cancelled, the port
// closing, completed by a modem or transmit event) may bring no sleeper back
// for it: the service thread takes it at once.
void TtyLine::WaitPending(const Event& event, bool pending) {
  SetEventHelper(event, pending ? std::shared_ptr<EventHelper>(inputHelper_) : nullptr);
  if (pending) return;
  std::lock_guard lock(mu_);
  if (input_ == Input::kLeft) TakeBackInput();
}

void TtyLine::ReadWaiting(bool waiting) {
  std::lock_guard lock(mu_);
  readWaiting_ = waiting;
  if (waiting && input_ == Input::kLeft) TakeBackInput();
}

// --- reading -----------------------------------------------------------------

void TtyLine::ReadAvailable(bool hangUp) {
  std::uint8_t raw[4096];
  for (;;) {
    const std::size_t room = device_->InputRoom();
    if (room == 0) {
      {
        std::lock_guard lock(mu_);
        wantIn_ = false;
        UpdateInterest();
      }
      // Room may have come back before the interest changed.
      if (device_->InputRoom() > 0) {
        std::lock_guard lock(mu_);
        wantIn_ = true;
        UpdateInterest();
        continue;
      }
      if (hangUp) {
        // Unread bytes stay in the kernel until there is room; a hung-up
        // terminal would report itself again and again, so stop watching it.
        std::lock_guard lock(mu_);
        hangUpPending_ = true;
        watching_ = false;
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd_, nullptr);
      }
      return;
    }
    // Decoded bytes never outnumber raw ones, so these fit.
    const std::size_t asked = std::min(room, sizeof raw);
    const ssize_t n = ::read(fd_, raw, asked);
    if (n > 0) {
      Deliver(raw, static_cast<std::size_t>(n));
      // Less than asked: the terminal was empty. The level-triggered epoll
      // reports what comes next; a read now would only say EAGAIN.
      if (static_cast<std::size_t>(n) < asked && !hangUp) return;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN && !hangUp) return;
    // read() == 0, EIO, ENXIO, or nothing left after a hang-up: gone.
    LineGone(n < 0 && IsDeviceGoneError(errno) ? errno : EIO);
    return;
  }
}

void TtyLine::Deliver(const std::uint8_t* data, std::size_t count) {
  if (resetDecoder_.exchange(false)) decoder_.Reset();
  if (counters_) {
    serial_icounter_struct counts{};
    if (::ioctl(fd_, TIOCGICOUNT, &counts) == 0) {
      const int now[5] = {counts.frame, counts.parity, counts.brk, counts.overrun,
                          counts.buf_overrun};
      budget_.frame += now[0] - lastCounts_[0];
      budget_.parity += now[1] - lastCounts_[1];
      budget_.brk += now[2] - lastCounts_[2];
      DWORD lost = 0;
      if (now[3] != lastCounts_[3]) lost |= CE_OVERRUN;
      if (now[4] != lastCounts_[4]) lost |= CE_RXOVER;
      std::copy(std::begin(now), std::end(now), lastCounts_);
      // Overruns leave no marker in the stream: report them with this batch.
      if (lost != 0) device_->ReceivedWithError(lost, -1);
    }
  }
  if (marked_.load()) {
    decoder_.Decode(data, count, *this);
  } else {
    device_->Received(data, count);
  }
}

void TtyLine::Bytes(const std::uint8_t* data, std::size_t count) {
  device_->Received(data, count);
}

// Which error a marked byte stands for: the driver's counters say it where
// it keeps them; otherwise a marked NUL is a break (a break is a NUL with a
// framing error) and any other byte a parity error when parity is checked.
void TtyLine::Marked(std::uint8_t byte) {
  DWORD error;
  if (byte == 0 && budget_.brk > 0) {
    --budget_.brk;
    error = CE_BREAK;
  } else if (budget_.parity > 0) {
    --budget_.parity;
    error = CE_RXPARITY;
  } else if (budget_.frame > 0) {
    --budget_.frame;
    error = CE_FRAME;
  } else if (byte == 0) {
    error = CE_BREAK;
  } else {
    error = parityChecked_.load() ? CE_RXPARITY : CE_FRAME;
  }
  device_->ReceivedWithError(error, error == CE_BREAK ? -1 : byte);
}

// Once, whoever saw it first: the service thread, the sleeper, the drain.
void TtyLine::LineGone(std::int32_t error) {
  {
    std::lock_guard lock(mu_);
    if (gone_) return;
    gone_ = true;
    if (watching_) ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd_, nullptr);
    watching_ = false;
    hangUpPending_ = false;
  }
  device_->Gone(error);
}

}  // namespace comm::posix
