// The helper threads of a terminal: the modem-line watcher (TIOCMIWAIT) and
// the transmit drain (tcdrain), both stopped by HelperThread's signal.
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>

#include "platform/serial/LineDevice.h"
#include "platform/serial/posix/TtyLine.h"

namespace comm::posix {

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
    if (drainHelper_.Stopping()) return;
    if (result != 0) {
      // A line that is gone ends the drains (the loss is reported from the
      // line); any other failure is the device's I/O error, told to the
      // port as a line error once per failed drain, and the next write's
      // drain is tried again.
      const int error = errno;
      if (IsDeviceGoneError(error)) return LineGone(error);
      device_->ReceivedWithError(CE_IOE, -1);
      continue;
    }
    {
      std::lock_guard lock(drainHelper_.mu);
      ++drains_;
    }
    drainHelper_.cv.notify_all();
    device_->TxEmpty();
  }
}

}  // namespace comm::posix
