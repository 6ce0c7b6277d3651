#include "tools/sim/SimServer.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/protocol/HexText.h"

namespace {

sigset_t StopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

// A relative ppoll time-out until `due`, or null (wait without end).
const timespec* TimeoutUntil(std::optional<TSimClock::time_point> due, timespec& storage) {
  if (!due) return nullptr;
  const auto left = std::max(TSimClock::duration::zero(), *due - TSimClock::now());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  storage.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
  storage.tv_nsec = static_cast<long>(ns % 1'000'000'000);
  return &storage;
}

}  // namespace

TStopSignals::TStopSignals() {
  const sigset_t set = StopSignalSet();
  if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) throw ESystemError("sigprocmask", errno);
  FDescriptor = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (FDescriptor < 0) throw ESystemError("signalfd", errno);
}

int TStopSignals::Take() const {
  signalfd_siginfo info{};
  return read(FDescriptor, &info, sizeof info) == sizeof info ? static_cast<int>(info.ssi_signo)
                                                              : 0;
}

TStopSignals::~TStopSignals() {
  close(FDescriptor);
  const sigset_t set = StopSignalSet();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

TSimServer::TSimServer(const TSimOptions& options, std::ostream& err)
    : FErr(err),
      FLog(options.LogFile),
      FDispenser(options.Faults, options.MuteAfter),
      FSchedule(options.Delay, options.Split,
                options.Fast ? std::nullopt : std::optional(options.Receiver)) {
  if (!options.Link.empty()) FLink = std::make_unique<TSlaveLink>(options.Link, FPty.SlavePath());
}

int TSimServer::Run(const TStopSignals& signals) {
  for (;;) {
    pollfd fds[2] = {{FPty.Master(), POLLIN, 0}, {signals.Descriptor(), POLLIN, 0}};
    if (!FOutgoing.empty()) fds[0].events |= POLLOUT;
    timespec storage{};
    // Writes waiting for room in the line need no time-out: POLLOUT wakes us.
    const auto due = FOutgoing.empty() ? FSchedule.NextDue() : std::nullopt;
    if (ppoll(fds, 2, TimeoutUntil(due, storage), nullptr) < 0) {
      if (errno == EINTR) continue;
      FErr << "dispenser-sim: " << ESystemError("ppoll", errno).Message() << '\n';
      return 1;
    }
    if (fds[1].revents != 0 && signals.Take() != 0) return 0;
    if (fds[0].revents & POLLIN) {
      if (!ReadLine()) return 1;
    } else if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      FErr << "dispenser-sim: the terminal " << SlavePath() << " hung up\n";
      return 1;
    }
    if (!WriteDue()) return 1;
  }
}

bool TSimServer::ReadLine() {
  std::uint8_t buffer[4096];
  for (;;) {
    const ssize_t n = read(FPty.Master(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) {
      FErr << "dispenser-sim: reading the terminal " << SlavePath() << " failed: "
           << (n == 0 ? std::string("end of file") : ESystemError("read", errno).Message()) << '\n';
      return false;
    }
    const auto now = TSimClock::now();
    const TLineFormat format = FPty.ProgramFormat();
    if (const std::string mismatch = LineMismatch(format);
        !mismatch.empty() && format != FToldFormat) {
      FErr << "dispenser-sim: " << mismatch << std::endl;
    }
    FToldFormat = format;
    // A command is complete when its last byte has crossed the line.
    std::vector<TSimClock::time_point> crossed;
    for (ssize_t i = 0; i < n; ++i) crossed.push_back(FSchedule.Crossed(now, format));
    for (const TExchange& exchange :
         FDispenser.Receive(std::span(buffer, static_cast<std::size_t>(n)))) {
      Handle(exchange);
      if (exchange.Reply) FSchedule.Add(*exchange.Reply, crossed[exchange.LastByte], format);
    }
  }
}

void TSimServer::Handle(const TExchange& exchange) {
  if (exchange.Ignored.empty()) {
    FLog.Write("in", exchange.Received);
    return;
  }
  FLog.Write("ignored", exchange.Received, exchange.Ignored);
  FErr << "dispenser-sim: ignored " << HexText(exchange.Received) << ": " << exchange.Ignored
       << std::endl;
}

bool TSimServer::WriteDue() {
  for (TScheduledWrite& write : FSchedule.TakeDue(TSimClock::now())) {
    FOutgoing.push_back(std::move(write));
  }
  while (!FOutgoing.empty()) {
    TScheduledWrite& front = FOutgoing.front();
    const ssize_t n = write(FPty.Master(), front.Bytes.data(), front.Bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n < 0) {
      FErr << "dispenser-sim: writing to the terminal " << SlavePath()
           << " failed: " << ESystemError("write", errno).Message() << '\n';
      return false;
    }
    const std::size_t written = static_cast<std::size_t>(n);
    FLog.Write("out", std::span(front.Bytes.data(), written),
               front.Part == 0   ? ""
               : front.Part == 1 ? "first part"
                                 : "second part");
    if (written < front.Bytes.size()) {
      // The line took part of it: the rest goes when it has room again.
      front.Bytes.erase(front.Bytes.begin(), front.Bytes.begin() + n);
      continue;
    }
    FOutgoing.pop_front();
  }
  return true;
}
