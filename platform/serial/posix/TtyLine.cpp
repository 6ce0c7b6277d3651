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
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

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

std::int32_t SetModemLine(int fd, int line, bool on) {
  if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0) return errno;
  return 0;
}

}  // namespace

DWORD TtyLine::ModemBits(int bits) {
  DWORD status = 0;
  if (bits & TIOCM_CTS) status |= MS_CTS_ON;
  if (bits & TIOCM_DSR) status |= MS_DSR_ON;
  if (bits & TIOCM_RNG) status |= MS_RING_ON;
  if (bits & TIOCM_CAR) status |= MS_RLSD_ON;
  return status;
}

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
  grace_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  if (grace_ < 0) return errno;
  epoll_event grace{};
  grace.events = EPOLLIN;
  grace.data.fd = grace_;
  if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, grace_, &grace) != 0) return errno;
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
  StartInputHelper();
  service_ = std::thread([this] {
    pthread_setname_np(pthread_self(), "comm-io");
    Serve();
  });
  if (modemLines_) modemHelper_.Start("comm-modem", [this] { WatchModemLines(); });
}

void TtyLine::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  RetireInputHelper();
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
  if (grace_ >= 0) ::close(grace_);
}

// --- calls from the device (its lock held) ---------------------------------

std::int32_t TtyLine::Configure(const DCB& dcb) {
  LineSettings previous;
  if (const std::int32_t error = ReadLineSettings(fd_, &previous)) return error;
  LineSettings wanted = previous;
  ModemOutputs outputs;
  if (const std::int32_t error = MapDcbToLine(dcb, &wanted, &outputs)) return error;
  if (virtualLine_) wanted.iflag &= ~static_cast<std::uint32_t>(PARMRK | INPCK);
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
  marked_.store(!virtualLine_);
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

// A pty hands written bytes straight to its other end: nothing is ever queued
// for sending, so it is not asked.
bool TtyLine::WatchTxEmpty() {
  if (virtualLine_) return true;
  int queued = 0;
  bool waiting = ::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0;
  if (!waiting && lineStatus_.load()) {
    // The transmitter itself may still be shifting the last byte out.
    unsigned status = 0;
    if (::ioctl(fd_, TIOCSERGETLSR, &status) == 0) {
      waiting = (status & TIOCSER_TEMT) == 0;
    } else if (errno == ENOTTY || errno == EINVAL) {
      lineStatus_.store(false);  // a driver without it will not grow it
    }
  }
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
  if (virtualLine_) return 0;
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
  if (input_ == Input::kLeft) input_ = Input::kService;
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

}  // namespace comm::posix
