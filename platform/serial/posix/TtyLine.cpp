#include "platform/serial/posix/TtyLine.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/serial/LineDevice.h"
#include "platform/serial/posix/LineSettings.h"
#include "platform/serial/posix/TermiosMapping.h"

namespace comm::posix {

namespace {

// Unix98 pseudo-terminal slaves, and the old BSD ones.
bool IsPseudoTerminal(dev_t device) {
  const unsigned m = major(device);
  return (m >= 136 && m <= 143) || m == 3;
}

DWORD ModemBits(int bits) {
  DWORD status = 0;
  if (bits & TIOCM_CTS) status |= MS_CTS_ON;
  if (bits & TIOCM_DSR) status |= MS_DSR_ON;
  if (bits & TIOCM_RNG) status |= MS_RING_ON;
  if (bits & TIOCM_CAR) status |= MS_RLSD_ON;
  return status;
}

std::int32_t SetModemLine(int fd, int line, bool on) {
  if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0) return errno;
  return 0;
}

int Milliseconds(LineDriver::Clock::duration d) {
  if (d <= LineDriver::Clock::duration::zero()) return 0;
  // Rounded up: waking before the deadline would only mean waking again.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(d).count();
  return static_cast<int>(std::min<std::int64_t>(ms, 1 << 30));
}

}  // namespace

// --- opening and closing ---------------------------------------------------

std::int32_t TtyLine::Open(const std::string& path, std::unique_ptr<TtyLine>* line, DCB* dcb) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISCHR(info.st_mode)) return ENOTTY;

  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  auto fail = [fd](std::int32_t error) {
    ::close(fd);
    return error;
  };
  termios probe{};
  if (::tcgetattr(fd, &probe) != 0) return fail(errno == EINVAL ? ENOTTY : errno);
  // TIOCEXCL keeps out other openers but not root; the lock holds for root too.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
  if (::ioctl(fd, TIOCEXCL) != 0) return fail(errno);
  int bits = 0;
  const bool modemLines = ::ioctl(fd, TIOCMGET, &bits) == 0;
  if (!modemLines && errno != ENOTTY && errno != EINVAL) return fail(errno);
  serial_icounter_struct counts{};
  const bool counters = ::ioctl(fd, TIOCGICOUNT, &counts) == 0;

  std::unique_ptr<TtyLine> tty(
      new TtyLine(fd, IsPseudoTerminal(info.st_rdev), modemLines, counters));
  if (const std::int32_t error = tty->Setup()) return error;

  // Raw mode at once (no echo, no line editing), with the present rate and
  // frame; a terminal whose present frame cannot be run starts at 9600 8N1.
  LineSettings present;
  if (const std::int32_t error = ReadLineSettings(fd, &present)) return error;
  DCB opening = OpeningDcb(present);
  if (tty->Configure(opening) != 0) {
    opening = OpeningDcb(LineSettings{});
    opening.ByteSize = 8;
    opening.Parity = 0;
    opening.StopBits = 0;
    if (const std::int32_t error = tty->Configure(opening)) return error;
  }
  *dcb = opening;
  *line = std::move(tty);
  return 0;
}

TtyLine::TtyLine(int fd, bool virtualLine, bool modemLines, bool counters)
    : fd_(fd), virtualLine_(virtualLine), modemLines_(modemLines), counters_(counters) {}

std::int32_t TtyLine::Setup() {
  epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
  if (epoll_ < 0) return errno;
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) return errno;
  epoll_event command{};
  command.events = EPOLLIN;
  command.data.fd = wake_;
  if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &command) != 0) return errno;
  epoll_event tty{};
  interest_ = EPOLLIN;
  tty.events = interest_;
  tty.data.fd = fd_;
  if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd_, &tty) != 0) return errno;
  if (counters_) {
    serial_icounter_struct counts{};
    if (::ioctl(fd_, TIOCGICOUNT, &counts) == 0) {
      lastCounts_[0] = counts.frame;
      lastCounts_[1] = counts.parity;
      lastCounts_[2] = counts.brk;
      lastCounts_[3] = counts.overrun;
      lastCounts_[4] = counts.buf_overrun;
    }
  }
  return 0;
}

TtyLine::~TtyLine() {
  if (!shutDown_) Shutdown();
}

void TtyLine::Start(LineDevice* device) {
  device_ = device;
  service_ = std::thread([this] {
    pthread_setname_np(pthread_self(), "comm-io");
    Serve();
  });
  if (modemLines_) modemHelper_.Start("comm-modem", [this] { WatchModemLines(); });
}

void TtyLine::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  DrainBeforeClose();
  modemHelper_.Stop();
  drainHelper_.Stop();
  {
    std::lock_guard lock(mu_);
    stop_ = true;
  }
  Poke();
  if (service_.joinable()) service_.join();
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also releases the lock
  if (epoll_ >= 0) ::close(epoll_);
  if (wake_ >= 0) ::close(wake_);
}

// Output handed to the kernel is sent before the descriptor closes, within
// the time the line needs for it (and half a second); what is left then is
// dropped, so that closing never hangs on flow control.
void TtyLine::DrainBeforeClose() {
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
  const std::uint32_t rate = std::max<std::uint32_t>(rate_.load(), 50);
  const auto limit = std::chrono::milliseconds(500 + std::int64_t{queued} * 10000 / rate);
  if (!drainHelper_.Running()) drainHelper_.Start("comm-drain", [this] { DrainOutput(); });
  std::unique_lock lock(drainHelper_.mu);
  const unsigned before = drains_;
  drainRequested_ = true;
  drainHelper_.cv.notify_all();
  drainHelper_.cv.wait_for(lock, limit, [&] { return drains_ != before; });
  lock.unlock();
  ::tcflush(fd_, TCOFLUSH);
}

// --- the service thread ----------------------------------------------------

void TtyLine::Poke() {
  const std::uint64_t one = 1;
  while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void TtyLine::UpdateInterest() {
  if (!watching_) return;
  const std::uint32_t wanted =
      (wantIn_ ? std::uint32_t{EPOLLIN} : 0u) | (wantOut_ ? std::uint32_t{EPOLLOUT} : 0u);
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
      if (timer_) timeout = Milliseconds(*timer_ - Clock::now());
    }
    const int n = ::epoll_wait(epoll_, events, 4, timeout);
    if (n < 0 && errno != EINTR) {
      LineGone(EIO);
      return;
    }
    bool readable = false, writable = false, hangUp = false;
    for (int i = 0; i < n; ++i) {
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
    if (readable || hangUp) ReadAvailable(hangUp);
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
    const ssize_t n = ::read(fd_, raw, std::min(room, sizeof raw));
    if (n > 0) {
      Deliver(raw, static_cast<std::size_t>(n));
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
  decoder_.Decode(data, count, *this);
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

void TtyLine::LineGone(std::int32_t error) {
  {
    std::lock_guard lock(mu_);
    if (watching_) ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd_, nullptr);
    watching_ = false;
    hangUpPending_ = false;
  }
  device_->Gone(error);
}

// --- calls from the device (its lock held) ---------------------------------

std::int32_t TtyLine::Configure(const DCB& dcb) {
  LineSettings previous;
  if (const std::int32_t error = ReadLineSettings(fd_, &previous)) return error;
  LineSettings wanted = previous;
  ModemOutputs outputs;
  if (const std::int32_t error = MapDcbToLine(dcb, &wanted, &outputs)) return error;
  int previousBits = 0;
  if (modemLines_ && ::ioctl(fd_, TIOCMGET, &previousBits) != 0) return errno;

  // The terminal may take part of a request and say nothing: read it back.
  std::int32_t error = WriteLineSettings(fd_, wanted);
  if (error == 0) {
    LineSettings actual;
    error = ReadLineSettings(fd_, &actual);
    if (error == 0 && !RunsAsAsked(wanted, actual, virtualLine_)) error = EINVAL;
  }
  if (error == 0 && modemLines_) {
    error = SetModemLine(fd_, TIOCM_DTR, outputs.dtr);
    if (error == 0 && outputs.rtsDriven) error = SetModemLine(fd_, TIOCM_RTS, outputs.rts);
  }
  if (error != 0) {
    // All or nothing: the previous settings and lines again.
    WriteLineSettings(fd_, previous);
    if (modemLines_) {
      SetModemLine(fd_, TIOCM_DTR, previousBits & TIOCM_DTR);
      SetModemLine(fd_, TIOCM_RTS, previousBits & TIOCM_RTS);
    }
    return error;
  }
  parityChecked_.store(dcb.fParity);
  rate_.store(dcb.BaudRate);
  return 0;
}

std::int32_t TtyLine::Send(const std::uint8_t* data, std::size_t count, std::size_t* accepted) {
  for (;;) {
    const ssize_t n = ::write(fd_, data, count);
    if (n >= 0) {
      *accepted = static_cast<std::size_t>(n);
      return 0;
    }
    if (errno == EINTR) continue;
    *accepted = 0;
    return errno == EAGAIN ? 0 : errno;
  }
}

void TtyLine::WantWritable() {
  std::lock_guard lock(mu_);
  wantOut_ = true;
  UpdateInterest();
}

bool TtyLine::WatchTxEmpty() {
  int queued = 0;
  unsigned lineStatus = 0;
  const bool waiting =
      (::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0) ||
      (::ioctl(fd_, TIOCSERGETLSR, &lineStatus) == 0 && (lineStatus & TIOCSER_TEMT) == 0);
  if (!waiting) return true;
  if (!drainHelper_.Running()) drainHelper_.Start("comm-drain", [this] { DrainOutput(); });
  {
    std::lock_guard lock(drainHelper_.mu);
    drainRequested_ = true;
  }
  drainHelper_.cv.notify_all();
  return false;
}

DWORD TtyLine::OutQueue() {
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued < 0) return 0;
  return static_cast<DWORD>(queued);
}

std::int32_t TtyLine::ModemStatus(DWORD* status) {
  *status = 0;
  if (!modemLines_) return 0;  // a pty has no lines: all off
  int bits = 0;
  if (::ioctl(fd_, TIOCMGET, &bits) != 0) return errno;
  *status = ModemBits(bits);
  return 0;
}

std::int32_t TtyLine::Purge(DWORD flags) {
  if ((flags & PURGE_TXCLEAR) && ::tcflush(fd_, TCOFLUSH) != 0) return errno;
  if (flags & PURGE_RXCLEAR) {
    if (::tcflush(fd_, TCIFLUSH) != 0) return errno;
    resetDecoder_.store(true);
  }
  return 0;
}

void TtyLine::ResumeReceive() {
  std::lock_guard lock(mu_);
  wantIn_ = true;
  UpdateInterest();
  if (hangUpPending_) {
    readAgain_ = true;
    Poke();
  }
}

void TtyLine::SetTimer(std::optional<Clock::time_point> when) {
  std::lock_guard lock(mu_);
  const bool sooner = when && (!timer_ || *when < *timer_);
  timer_ = when;
  if (sooner) Poke();
}

// --- the helpers -------------------------------------------------------------

void TtyLine::WatchModemLines() {
  serial_icounter_struct before{};
  bool counted = counters_ && ::ioctl(fd_, TIOCGICOUNT, &before) == 0;
  int bits = 0;
  if (::ioctl(fd_, TIOCMGET, &bits) != 0) return;
  while (!modemHelper_.Stopping()) {
    if (::ioctl(fd_, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CAR) != 0) {
      // ENOTTY / EINVAL: the driver cannot wait, so there are no modem
      // events; EIO: the device is gone (the service thread reports it).
      if (errno == EINTR) continue;
      return;
    }
    int now = 0;
    if (::ioctl(fd_, TIOCMGET, &now) != 0) return;
    DWORD events = 0;
    serial_icounter_struct after{};
    if (counted && ::ioctl(fd_, TIOCGICOUNT, &after) == 0) {
      // The counters see every change, also one that came and went.
      if (after.cts != before.cts) events |= EV_CTS;
      if (after.dsr != before.dsr) events |= EV_DSR;
      if (after.dcd != before.dcd) events |= EV_RLSD;
      if (after.rng != before.rng) events |= EV_RING;
      before = after;
    } else {
      counted = false;
      const int changed = bits ^ now;
      if (changed & TIOCM_CTS) events |= EV_CTS;
      if (changed & TIOCM_DSR) events |= EV_DSR;
      if (changed & TIOCM_CAR) events |= EV_RLSD;
      if (changed & TIOCM_RNG) events |= EV_RING;
    }
    bits = now;
    device_->ModemChanged(events, ModemBits(now));
  }
}

void TtyLine::DrainOutput() {
  for (;;) {
    {
      std::unique_lock lock(drainHelper_.mu);
      drainHelper_.cv.wait(lock, [&] { return drainHelper_.Stopping() || drainRequested_; });
      if (drainHelper_.Stopping()) return;
      drainRequested_ = false;
    }
    int result;
    while ((result = ::tcdrain(fd_)) != 0 && errno == EINTR && !drainHelper_.Stopping()) {
    }
    if (drainHelper_.Stopping() || result != 0) return;
    {
      std::lock_guard lock(drainHelper_.mu);
      ++drains_;
    }
    drainHelper_.cv.notify_all();
    device_->TxEmpty();
  }
}

}  // namespace comm::posix
