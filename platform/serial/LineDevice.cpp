#include "platform/serial/LineDevice.h"

#include <algorithm>
#include <cstring>

#include "platform/serial/Overlapped.h"
#include "platform/serial/SystemErrorNumbers.h"

namespace comm {

namespace {
constexpr DWORD kLineErrors = CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_RXOVER;
constexpr DWORD kPurgeFlags = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
}  // namespace

LineDevice::LineDevice(std::string name, std::unique_ptr<LineDriver> driver, const DCB& dcb,
                       std::size_t minInputQueue)
    : name_(std::move(name)),
      driver_(std::move(driver)),
      dcb_(dcb),
      minInputQueue_(minInputQueue),
      capacity_(std::max(kDefaultQueueSize, minInputQueue)) {
  if (driver_->ModemStatus(&modem_) != 0) modem_ = 0;
}

LineDevice::~LineDevice() {
  Close();
}

void LineDevice::Start() {
  driver_->Start(this);
}

std::int32_t LineDevice::Unusable() const {
  if (closed_) return kErrBadHandle;
  return gone_;
}

// --- configuration ---------------------------------------------------------

std::int32_t LineDevice::Close() {
  {
    std::lock_guard lock(mu_);
    if (closed_) return kErrBadHandle;
    closed_ = true;
    AbortReads(kErrCancelled);
    AbortWrites(kErrCancelled);
    if (wait_) CompleteWait(kErrCancelled, 0);
    timer_.reset();
  }
  // Without the lock: the driver's threads may be waiting for it.
  driver_->Shutdown();
  return 0;
}

std::int32_t LineDevice::SetupComm(DWORD inQueue, DWORD outQueue) {
  std::lock_guard lock(mu_);
  if (closed_) return kErrBadHandle;
  if (inQueue > kMaxQueueSize || outQueue > kMaxQueueSize) return kErrInvalidArgument;
  if (inQueue > 0) {
    const bool wasFull = input_.Size() >= capacity_;
    capacity_ = std::max<std::size_t>(inQueue, minInputQueue_);
    if (wasFull && input_.Size() < capacity_ && gone_ == 0) driver_->ResumeReceive();
  }
  if (outQueue > 0) outQueueSize_ = outQueue;
  return 0;
}

std::int32_t LineDevice::SetCommState(const DCB& dcb) {
  std::lock_guard lock(mu_);
  if (const std::int32_t error = Unusable()) return error;
  if (const std::int32_t error = ValidateDcb(dcb)) return error;
  if (const std::int32_t error = driver_->Configure(dcb)) {
    LineFailed(error);
    return error;
  }
  dcb_ = dcb;
  return 0;
}

std::int32_t LineDevice::GetCommState(DCB* dcb) {
  std::lock_guard lock(mu_);
  if (closed_) return kErrBadHandle;
  *dcb = dcb_;
  return 0;
}

std::int32_t LineDevice::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  std::lock_guard lock(mu_);
  if (closed_) return kErrBadHandle;
  if (const std::int32_t error = ValidateTimeouts(timeouts)) return error;
  timeouts_ = timeouts;
  return 0;
}

std::int32_t LineDevice::GetCommTimeouts(COMMTIMEOUTS* timeouts) {
  std::lock_guard lock(mu_);
  if (closed_) return kErrBadHandle;
  *timeouts = timeouts_;
  return 0;
}

// --- status ----------------------------------------------------------------

std::int32_t LineDevice::PurgeComm(DWORD flags) {
  std::lock_guard lock(mu_);
  if (closed_) return kErrBadHandle;
  if ((flags & ~kPurgeFlags) != 0) return kErrInvalidArgument;
  if (flags & PURGE_TXABORT) AbortWrites(kErrCancelled);
  if (flags & PURGE_RXABORT) AbortReads(kErrCancelled);
  std::int32_t error = 0;
  const DWORD clear = flags & (PURGE_TXCLEAR | PURGE_RXCLEAR);
  if (clear != 0 && gone_ == 0) error = driver_->Purge(clear);
  if (flags & PURGE_RXCLEAR) {
    const bool wasFull = input_.Size() >= capacity_;
    input_.Clear();
    if (wasFull && gone_ == 0) driver_->ResumeReceive();
  }
  if (error != 0) LineFailed(error);
  Reschedule();
  return error;
}

std::int32_t LineDevice::ClearCommError(DWORD* errors, COMSTAT* stat) {
  std::lock_guard lock(mu_);
  if (closed_) return kErrBadHandle;
  // A device that is gone still hands out what it received before.
  if (gone_ != 0 && input_.Empty()) return gone_;
  if (errors != nullptr) *errors = errors_;
  errors_ = 0;
  if (stat != nullptr) {
    DWORD pending = 0;
    for (const Write& write : writes_) pending += write.count - write.sent;
    stat->cbInQue = static_cast<DWORD>(input_.Size());
    stat->cbOutQue = pending + (gone_ == 0 ? driver_->OutQueue() : 0);
  }
  return 0;
}

std::int32_t LineDevice::GetCommModemStatus(DWORD* status) {
  std::lock_guard lock(mu_);
  if (const std::int32_t error = Unusable()) return error;
  const std::int32_t error = driver_->ModemStatus(status);
  if (error != 0) LineFailed(error);
  return error;
}

// --- events ----------------------------------------------------------------

std::int32_t LineDevice::SetCommMask(DWORD mask) {
  std::lock_guard lock(mu_);
  if (closed_) return kErrBadHandle;
  if ((mask & ~kAllCommEvents) != 0) return kErrInvalidArgument;
  if (wait_) CompleteWait(0, 0);
  mask_ = mask;
  history_ &= mask;
  return 0;
}

std::int32_t LineDevice::GetCommMask(DWORD* mask) {
  std::lock_guard lock(mu_);
  if (closed_) return kErrBadHandle;
  *mask = mask_;
  return 0;
}

std::int32_t LineDevice::WaitCommEvent(DWORD* mask, OVERLAPPED* ov) {
  std::lock_guard lock(mu_);
  // The block of the wait in progress is left alone.
  if (wait_ && wait_->ov == ov) return kErrInvalidArgument;
  std::int32_t error = Unusable();
  if (error == 0 && (mask_ == 0 || wait_)) error = kErrInvalidArgument;
  if (error != 0) {
    overlapped::FailWait(ov, error);
    return error;
  }
  overlapped::Begin(ov);
  if (history_ != 0) {
    const DWORD events = history_;
    history_ = 0;
    overlapped::Complete(ov, ov->hEvent, 0, 0, [mask, events] { *mask = events; });
    return 0;
  }
  wait_ = Wait{mask, ov, ov->hEvent};
  driver_->WaitPending(wait_->event, true);
  return ERROR_IO_PENDING;
}

void LineDevice::Raise(DWORD events) {
  events &= mask_;
  if (events == 0) return;
  if (wait_) {
    CompleteWait(0, events);
  } else {
    history_ |= events;
  }
}

void LineDevice::CompleteWait(std::int32_t status, DWORD events) {
  driver_->WaitPending(wait_->event, false);
  DWORD* mask = wait_->mask;
  overlapped::Complete(wait_->ov, wait_->event, status, 0, [mask, events] { *mask = events; });
  wait_.reset();
}

// --- transfers -------------------------------------------------------------

// Why a read or write cannot start: the device is closed, gone (a read may
// still take what arrived before), or stopped by an error under
// fAbortOnError until ClearCommError; 0 when it can.
std::int32_t LineDevice::TransferRefused(bool reading) const {
  if (closed_) return kErrBadHandle;
  if (gone_ != 0 && !(reading && !input_.Empty())) return gone_;
  if (dcb_.fAbortOnError && errors_ != 0) return kErrCancelled;
  return 0;
}

// Queues a transfer and lets the queue run (run): the transfer's status when
// it completed at once, else ERROR_IO_PENDING.
template <class T, class Run>
std::int32_t LineDevice::Enqueue(std::deque<T>& queue, T transfer, DWORD* done, Run run) {
  overlapped::Begin(transfer.ov);
  transfer.event = transfer.ov->hEvent;
  std::int32_t status = ERROR_IO_PENDING;
  transfer.syncStatus = &status;
  transfer.syncDone = done;
  queue.push_back(transfer);
  run();
  if (status == ERROR_IO_PENDING) {
    // Still queued, and the last one: nothing else ran meanwhile.
    queue.back().syncStatus = nullptr;
    queue.back().syncDone = nullptr;
    Reschedule();
  }
  return status;
}

void LineDevice::Finish(Transfer& transfer, std::int32_t status, DWORD bytes) {
  if (transfer.syncStatus != nullptr) *transfer.syncStatus = status;
  if (transfer.syncDone != nullptr) *transfer.syncDone = bytes;
  overlapped::Complete(transfer.ov, transfer.event, status, bytes);
}

// --- reading ---------------------------------------------------------------

std::int32_t LineDevice::ReadFile(void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) {
  std::lock_guard lock(mu_);
  if (const std::int32_t error = TransferRefused(true)) {
    overlapped::FailTransfer(ov, error);
    return error;
  }
  Read read;
  read.count = count;
  read.ov = ov;
  read.buffer = static_cast<std::uint8_t*>(buffer);
  return Enqueue(reads_, read, done, [this] { ServiceReads(Clock::now()); });
}

void LineDevice::ServiceReads(Clock::time_point now) {
  while (!reads_.empty()) {
    Read& head = reads_.front();
    if (!head.active) {
      head.active = true;
      head.plan = PlanRead(timeouts_, head.count);
      if (head.plan.total) head.totalDeadline = now + *head.plan.total;
      if (head.plan.interval && !input_.Empty()) head.intervalDeadline = now + *head.plan.interval;
    }
    if (!ReadReady(head, now)) break;
    FinishRead(head, 0, true);
    reads_.pop_front();
  }
}

bool LineDevice::ReadReady(const Read& read, Clock::time_point now) const {
  const std::size_t available = input_.Size();
  if (available >= read.count || gone_ != 0 || read.plan.immediate) return true;
  if (read.plan.returnOnAny && available > 0) return true;
  if (read.totalDeadline && now >= *read.totalDeadline) return true;
  return read.intervalDeadline && now >= *read.intervalDeadline;
}

void LineDevice::FinishRead(Read& read, std::int32_t status, bool takeBytes) {
  DWORD n = 0;
  if (takeBytes) {
    if (gone_ != 0 && input_.Empty()) {
      status = gone_;
    } else {
      n = static_cast<DWORD>(Take(read.buffer, read.count));
    }
  }
  Finish(read, status, n);
}

std::size_t LineDevice::Take(std::uint8_t* out, std::size_t count) {
  const bool wasFull = input_.Size() >= capacity_;
  const std::size_t n = input_.Pop(out, count);
  if (wasFull && input_.Size() < capacity_ && gone_ == 0) driver_->ResumeReceive();
  return n;
}

void LineDevice::AbortReads(std::int32_t status) {
  for (Read& read : reads_) FinishRead(read, status, false);
  reads_.clear();
}

// --- writing ---------------------------------------------------------------

std::int32_t LineDevice::WriteFile(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) {
  std::lock_guard lock(mu_);
  if (const std::int32_t error = TransferRefused(false)) {
    overlapped::FailTransfer(ov, error);
    return error;
  }
  Write write;
  write.count = count;
  write.ov = ov;
  write.data = static_cast<const std::uint8_t*>(buffer);
  return Enqueue(writes_, write, done, [this] { PumpWrites(Clock::now()); });
}

void LineDevice::PumpWrites(Clock::time_point now) {
  bool handed = false;
  while (!writes_.empty()) {
    Write& head = writes_.front();
    if (!head.active) {
      head.active = true;
      if (const auto limit = WriteTimeLimit(timeouts_, head.count)) head.deadline = now + *limit;
    }
    std::int32_t error = gone_;
    if (error == 0 && head.sent < head.count) {
      std::size_t accepted = 0;
      error = driver_->Send(head.data + head.sent, head.count - head.sent, &accepted);
      head.sent += static_cast<DWORD>(accepted);
      handed = handed || accepted > 0;
    }
    if (error != 0) {
      FinishWrite(head, error);
      writes_.pop_front();
      if (gone_ == 0 && IsDeviceGoneError(error)) {
        MarkGone(error);
        return;
      }
      continue;
    }
    if (head.sent == head.count) {
      FinishWrite(head, 0);
      writes_.pop_front();
      continue;
    }
    if (head.deadline && now >= *head.deadline) {
      FinishWrite(head, kErrTimedOut);
      writes_.pop_front();
      continue;
    }
    driver_->WantWritable();
    return;
  }
  if (handed && (mask_ & EV_TXEMPTY) != 0 && driver_->WatchTxEmpty()) Raise(EV_TXEMPTY);
}

void LineDevice::FinishWrite(Write& write, std::int32_t status) {
  Finish(write, status, write.sent);
}

void LineDevice::AbortWrites(std::int32_t status) {
  for (Write& write : writes_) FinishWrite(write, status);
  writes_.clear();
}

// --- from the driver -------------------------------------------------------

void LineDevice::Append(std::uint8_t byte, DWORD* events) {
  if (dcb_.fNull && byte == 0) return;
  input_.Push(byte);
  *events |= EV_RXCHAR;
  if (byte == dcb_.EvtChar) *events |= EV_RXFLAG;
  if (input_.Size() * 5 >= capacity_ * 4) *events |= EV_RX80FULL;
}

// New bytes restart the interval of the read at the head, and may end it.
void LineDevice::BytesArrived() {
  const Clock::time_point now = Clock::now();
  if (!reads_.empty() && reads_.front().active && reads_.front().plan.interval) {
    reads_.front().intervalDeadline = now + *reads_.front().plan.interval;
  }
  ServiceReads(now);
}

std::size_t LineDevice::Received(const std::uint8_t* data, std::size_t count) {
  std::lock_guard lock(mu_);
  if (closed_ || gone_ != 0) return count;
  if (dcb_.fDsrSensitivity && (modem_ & MS_DSR_ON) == 0) return count;
  DWORD events = 0;
  std::size_t i = 0;
  if (dcb_.fNull) {
    for (; i < count && input_.Size() < capacity_; ++i) Append(data[i], &events);
  } else if (input_.Size() < capacity_) {
    // The whole run at once: the flags it raises do not depend on the order.
    i = std::min(count, capacity_ - input_.Size());
    if (i > 0) {
      input_.Push(data, i);
      events |= EV_RXCHAR;
      if (std::memchr(data, dcb_.EvtChar, i) != nullptr) events |= EV_RXFLAG;
      if (input_.Size() * 5 >= capacity_ * 4) events |= EV_RX80FULL;
    }
  }
  if (events & EV_RXCHAR) BytesArrived();
  Raise(events);
  Reschedule();
  return i;
}

void LineDevice::ReceivedWithError(DWORD errors, int byte) {
  std::lock_guard lock(mu_);
  if (closed_ || gone_ != 0) return;
  if (dcb_.fDsrSensitivity && (modem_ & MS_DSR_ON) == 0) return;
  errors_ |= errors;
  DWORD events = 0;
  if (errors & (kLineErrors | CE_IOE)) events |= EV_ERR;
  if (errors & CE_BREAK) events |= EV_BREAK;
  if (byte >= 0) {
    std::uint8_t value = static_cast<std::uint8_t>(byte);
    if ((errors & CE_RXPARITY) && dcb_.fParity && dcb_.fErrorChar) value = dcb_.ErrorChar;
    if (input_.Size() < capacity_) {
      Append(value, &events);
    } else {
      errors_ |= CE_RXOVER;
      events |= EV_ERR;
    }
  }
  if (dcb_.fAbortOnError) {
    AbortReads(kErrCancelled);
    AbortWrites(kErrCancelled);
  } else if (events & EV_RXCHAR) {
    BytesArrived();
  }
  Raise(events);
  Reschedule();
}

std::size_t LineDevice::InputRoom() {
  std::lock_guard lock(mu_);
  if (closed_ || gone_ != 0 || input_.Size() >= capacity_) return 0;
  return capacity_ - input_.Size();
}

void LineDevice::ModemChanged(DWORD events, DWORD status) {
  std::lock_guard lock(mu_);
  if (closed_ || gone_ != 0) return;
  modem_ = status;
  Raise(events);
}

void LineDevice::Writable() {
  std::lock_guard lock(mu_);
  if (closed_ || gone_ != 0) return;
  PumpWrites(Clock::now());
  Reschedule();
}

void LineDevice::TxEmpty() {
  std::lock_guard lock(mu_);
  if (closed_ || gone_ != 0) return;
  if (writes_.empty()) Raise(EV_TXEMPTY);
}

void LineDevice::Expire() {
  std::lock_guard lock(mu_);
  if (closed_ || gone_ != 0) return;
  const Clock::time_point now = Clock::now();
  ServiceReads(now);
  PumpWrites(now);
  Reschedule();
}

void LineDevice::Gone(std::int32_t error) {
  std::lock_guard lock(mu_);
  if (closed_ || gone_ != 0) return;
  MarkGone(error);
}

void LineDevice::LineFailed(std::int32_t error) {
  if (gone_ == 0 && IsDeviceGoneError(error)) MarkGone(error);
}

void LineDevice::MarkGone(std::int32_t error) {
  gone_ = error;
  // Pending reads still get what arrived before; nothing else can complete.
  for (Read& read : reads_) FinishRead(read, 0, true);
  reads_.clear();
  AbortWrites(error);
  if (wait_) CompleteWait(error, 0);
  Reschedule();
}

void LineDevice::Reschedule() {
  if (closed_) return;
  const bool readWaiting = gone_ == 0 && !reads_.empty();
  if (readWaiting != readWaiting_) {
    readWaiting_ = readWaiting;
    driver_->ReadWaiting(readWaiting);
  }
  std::optional<Clock::time_point> next;
  auto consider = [&next](const std::optional<Clock::time_point>& when) {
    if (when && (!next || *when < *next)) next = when;
  };
  if (gone_ == 0) {
    if (!reads_.empty() && reads_.front().active) {
      consider(reads_.front().totalDeadline);
      consider(reads_.front().intervalDeadline);
    }
    if (!writes_.empty() && writes_.front().active) consider(writes_.front().deadline);
  }
  if (next != timer_) {
    timer_ = next;
    driver_->SetTimer(next);
  }
}

}  // namespace comm
