// The Windows serial semantics on top of a LineDriver: the input queue with
// its size, events and their history, line errors, the event wait, reads and
// writes queued in order under the time-outs, purge, close. The posix backend
// and the simulated device are both a LineDevice over their own driver.
//
// The driver feeds it from its threads (Received, Writable, TxEmpty, ...);
// callers use it through comm::Device. One lock guards all of it.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/serial/ByteQueue.h"
#include "platform/serial/CommRules.h"
#include "platform/serial/DeviceBackend.h"
#include "platform/serial/LineDriver.h"

namespace comm {

class LineDevice : public DeviceBackend {
 public:
  using Clock = LineDriver::Clock;

  // The input queue's size until SetupComm says otherwise.
  static constexpr std::size_t kDefaultQueueSize = 4096;
  // Larger buffer sizes are refused.
  static constexpr DWORD kMaxQueueSize = 64u << 20;

  // dcb: the device's settings as they are when it opens. minInputQueue:
  // the input queue holds at least this many bytes whatever SetupComm asks
  // (a system device's driver takes SetupComm's size as a request it may
  // exceed); 0 keeps the size asked for exactly.
  LineDevice(std::string name, std::unique_ptr<LineDriver> driver, const DCB& dcb,
             std::size_t minInputQueue = 0);
  ~LineDevice() override;
  LineDevice(const LineDevice&) = delete;
  LineDevice& operator=(const LineDevice&) = delete;

  // Starts the driver. Call once, before handing the device out.
  void Start();

  const std::string& Name() const override { return name_; }
  std::int32_t Close() override;
  std::int32_t SetupComm(DWORD inQueue, DWORD outQueue) override;
  std::int32_t SetCommState(const DCB& dcb) override;
  std::int32_t GetCommState(DCB* dcb) override;
  std::int32_t SetCommTimeouts(const COMMTIMEOUTS& timeouts) override;
  std::int32_t GetCommTimeouts(COMMTIMEOUTS* timeouts) override;
  std::int32_t PurgeComm(DWORD flags) override;
  std::int32_t ClearCommError(DWORD* errors, COMSTAT* stat) override;
  std::int32_t GetCommModemStatus(DWORD* status) override;
  std::int32_t SetCommMask(DWORD mask) override;
  std::int32_t GetCommMask(DWORD* mask) override;
  std::int32_t WaitCommEvent(DWORD* mask, OVERLAPPED* ov) override;
  std::int32_t WriteFile(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) override;
  std::int32_t ReadFile(void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) override;

  // From the driver. Received takes as many bytes as the input queue has room
  // for and returns how many; the driver keeps the rest until ResumeReceive.
  std::size_t Received(const std::uint8_t* data, std::size_t count);
  // A byte that arrived with a line error (CE_FRAME, CE_RXPARITY), or with
  // byte < 0 an error without a byte (CE_BREAK, CE_OVERRUN, CE_RXOVER, CE_IOE).
  void ReceivedWithError(DWORD errors, int byte);
  std::size_t InputRoom();
  // Modem input lines changed: the EV_ flags of the change, the new MS_ bits.
  void ModemChanged(DWORD events, DWORD status);
  void Writable();
  void TxEmpty();
  void Expire();
  // The device is gone for good (hang-up, unplugged): error says why.
  void Gone(std::int32_t error);

 private:
  // A read or write in the queue. While the call that started it has not
  // returned, a completion at once is also reported through sync*.
  struct Transfer {
    DWORD count = 0;
    OVERLAPPED* ov = nullptr;
    Event event;
    bool active = false;  // at the head, its time-outs running
    std::int32_t* syncStatus = nullptr;
    DWORD* syncDone = nullptr;
  };
  struct Read : Transfer {
    std::uint8_t* buffer = nullptr;
    ReadPlan plan{};
    std::optional<Clock::time_point> totalDeadline{};
    std::optional<Clock::time_point> intervalDeadline{};
  };
  struct Write : Transfer {
    const std::uint8_t* data = nullptr;
    DWORD sent = 0;
    std::optional<Clock::time_point> deadline{};
  };
  struct Wait {
    DWORD* mask;
    OVERLAPPED* ov;
    Event event;
  };

  // All with mu_ held.
  std::int32_t Unusable() const;  // kErrBadHandle when closed, the reason when gone, else 0
  std::int32_t TransferRefused(bool reading) const;
  template <class T, class Run>
  std::int32_t Enqueue(std::deque<T>& queue, T transfer, DWORD* done, Run run);
  void Finish(Transfer& transfer, std::int32_t status, DWORD bytes);
  void Raise(DWORD events);
  void CompleteWait(std::int32_t status, DWORD events);
  void Append(std::uint8_t byte, DWORD* events);
  void BytesArrived();
  std::size_t Take(std::uint8_t* out, std::size_t count);
  void ServiceReads(Clock::time_point now);
  bool ReadReady(const Read& read, Clock::time_point now) const;
  void FinishRead(Read& read, std::int32_t status, bool takeBytes);
  void PumpWrites(Clock::time_point now);
  void FinishWrite(Write& write, std::int32_t status);
  void AbortReads(std::int32_t status);
  void AbortWrites(std::int32_t status);
  void LineFailed(std::int32_t error);  // a driver call failed: gone, if it says so
  void MarkGone(std::int32_t error);
  void Reschedule();

  const std::string name_;
  std::unique_ptr<LineDriver> driver_;

  std::mutex mu_;
  bool closed_ = false;
  std::int32_t gone_ = 0;
  DCB dcb_;
  COMMTIMEOUTS timeouts_;
  const std::size_t minInputQueue_;
  DWORD outQueueSize_ = kDefaultQueueSize;
  std::size_t capacity_;
  ByteQueue input_;
  DWORD mask_ = 0;
  DWORD history_ = 0;
  DWORD errors_ = 0;
  DWORD modem_ = 0;
  std::optional<Wait> wait_;
  std::deque<Read> reads_;
  std::deque<Write> writes_;
  std::optional<Clock::time_point> timer_;
  bool readWaiting_ = false;  // as last told to the driver
};

}  // namespace comm
