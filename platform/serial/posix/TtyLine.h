// A terminal device (serial port, USB adapter, pseudo-terminal) as the line
// of a LineDevice. One service thread per open device sleeps in epoll on the
// terminal, a command eventfd and a grace timer, reads received bytes eagerly
// into the device's input queue (as far as it has room), writes when asked,
// and runs the time-outs. A modem-line helper blocks in TIOCMIWAIT where the
// driver has modem lines; a drain helper blocks in tcdrain to report the
// transmit queue running empty where the driver keeps one.
//
// While a thread sleeps on the device's pending event wait, it watches the
// terminal's input itself (adopts it), so that the bytes completing the wait
// wake one thread, not two. Giving the input back costs nothing: the input is
// left, unwatched, and the next sleeper adopts it again without a system
// call, so a round trip (wake, handle, arm the next wait, sleep) changes no
// epoll interest. The grace timer, armed when the input is left and not
// again while sleepers keep coming back, lets the service thread take back
// an input left for longer than the grace period (Grace()). What holds:
//  - bytes are never left unread for longer than the grace period, which is
//    half the time the line's rate takes to fill a UART's 4 KiB receive
//    buffer (and at most 50 ms): a handler that blocks for seconds loses
//    nothing;
//  - the service thread has the input again at once when nobody will come
//    back for it: the wait ends while the input is left (cancelled, port
//    closed, completed by a modem or transmit event), a read waits for bytes,
//    the input queue has room again, the line shuts down or hangs up; a wait
//    that completes and is never armed again leaves the input for at most
//    the grace period;
//  - a hang-up or error, seen by the service thread or the sleeper (epoll
//    reports a hang-up whatever the interest), is reported to the device once;
//  - an idle open device wakes nobody: its sleeper holds the input, and the
//    grace timer fires at most once after the last traffic.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/serial/LineDriver.h"
#include "platform/serial/posix/EventHelper.h"
#include "platform/serial/posix/HelperThread.h"
#include "platform/serial/posix/ParmrkDecoder.h"

namespace comm::posix {

class TtyLine : public LineDriver, private ParmrkDecoder::Sink {
 public:
  // Opens the terminal at path for exclusive use (also against other
  // processes, root included) and puts it in raw mode with its present rate
  // and frame; *dcb is that block. 0 or the errno: ENOENT (no such node),
  // EISDIR (a directory), ENOTTY (not a terminal), EACCES, EBUSY (open
  // elsewhere), ...
  static std::int32_t Open(const std::string& path, std::unique_ptr<TtyLine>* line, DCB* dcb);
  ~TtyLine() override;

  void Start(LineDevice* device) override;
  void Shutdown() override;
  std::int32_t Configure(const DCB& dcb) override;
  std::int32_t Send(const std::uint8_t* data, std::size_t count, std::size_t* accepted) override;
  void WantWritable() override;
  bool WatchTxEmpty() override;
  DWORD OutQueue() override;
  std::int32_t ModemStatus(DWORD* status) override;
  std::int32_t Purge(DWORD flags) override;
  void ResumeReceive() override;
  void SetTimer(std::optional<Clock::time_point> when) override;
  void WaitPending(const Event& event, bool pending) override;
  void ReadWaiting(bool waiting) override;

 private:
  TtyLine(int fd, bool virtualLine, bool modemLines, bool counters);
  std::int32_t Setup();

  // The service thread, and a thread that sleeps on the pending event wait:
  // while it sleeps, it watches the terminal's input instead (InputHelper).
  class InputHelper;
  void StartInputHelper();
  void RetireInputHelper();
  void Serve();
  int AdoptInput();
  void ServeInput(bool hangUp);
  void DisownInput();
  void TakeBackInput();                   // mu_ held: the service thread watches the input again
  void ArmGrace(Clock::time_point when);  // mu_ held
  void GraceExpired();
  Clock::duration Grace() const;
  void ReadAvailable(bool hangUp);
  void Deliver(const std::uint8_t* data, std::size_t count);
  void Bytes(const std::uint8_t* data, std::size_t count) override;
  void Marked(std::uint8_t byte) override;
  void LineGone(std::int32_t error);

  // The helpers.
  void WatchModemLines();
  void DrainOutput();
  void DrainBeforeClose();

  static DWORD ModemBits(int bits);  // TIOCM_ bits as MS_ bits
  void Poke();                       // wakes the service thread
  void UpdateInterest();             // mu_ held: what the service thread watches

  const int fd_;
  const bool virtualLine_;  // a pty: no line, no frame
  const bool modemLines_;   // TIOCMGET works
  const bool counters_;     // TIOCGICOUNT works
  int epoll_ = -1;
  int wake_ = -1;
  int grace_ = -1;  // the grace timer (timerfd)
  LineDevice* device_ = nullptr;
  std::thread service_;
  bool shutDown_ = false;

  std::mutex mu_;
  bool stop_ = false;
  bool watching_ = true;  // the terminal is in the epoll set
  std::uint32_t interest_ = 0;
  bool wantIn_ = true;
  bool wantOut_ = false;
  bool hangUpPending_ = false;  // hung up with unread bytes and no room for them
  bool readAgain_ = false;
  // Who watches the input: the service thread, a sleeper on the pending
  // event wait, or nobody since leftAt_ (given back by a sleeper).
  enum class Input : std::uint8_t { kService, kSleeper, kLeft };
  Input input_ = Input::kService;
  Clock::time_point leftAt_{};
  bool graceArmed_ = false;
  bool readWaiting_ = false;  // a read waits for bytes
  bool gone_ = false;         // reported to the device
  std::optional<Clock::time_point> timer_;
  std::shared_ptr<InputHelper> inputHelper_;

  // Held while the terminal is read: by the service thread or the adopter.
  std::mutex readMu_;

  // readMu_ held.
  ParmrkDecoder decoder_;
  struct Budget {
    long frame = 0, parity = 0, brk = 0;
  } budget_;
  int lastCounts_[5] = {};  // frame, parity, brk, overrun, buf_overrun
  std::atomic<bool> resetDecoder_{false};
  std::atomic<bool> parityChecked_{false};
  // The terminal marks line errors in the stream (PARMRK). A pty has no line
  // and so no line errors: it is not asked to, which lets the kernel hand its
  // input over in one copy instead of a byte at a time.
  std::atomic<bool> marked_{true};
  std::atomic<std::uint32_t> rate_{9600};
  std::atomic<bool> lineStatus_{true};  // TIOCSERGETLSR may work

  HelperThread modemHelper_;
  HelperThread drainHelper_;
  bool drainRequested_ = false;  // drainHelper_.mu
  unsigned drains_ = 0;          // drainHelper_.mu: completed drains
};

}  // namespace comm::posix
