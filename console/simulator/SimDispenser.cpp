#include "console/simulator/SimDispenser.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <span>
#include <thread>

#include "console/simulator/ReplySchedule.h"
#include "console/simulator/SimPortName.h"
#include "platform/runtime/SysUtils.h"
#include "platform/serial/DeviceRegistry.h"
#include "platform/serial/sim/SimPort.h"

namespace {

// What wakes a dispenser's thread. Shared with the port's write listener, which
// may still run on a writing thread while the dispenser goes.
struct TWake {
  std::mutex mu;
  std::condition_variable changed;
  bool written = false;
  bool stop = false;

  void Written() {
    {
      std::lock_guard lock(mu);
      written = true;
    }
    changed.notify_one();
  }
};

class TSimDispenserLine final : public TSimDispenser {
 public:
  TSimDispenserLine(const std::string& name, const TDispenserSetup& setup)
      : FPort(name, comm::sim::SimPort::Unlisted{}),
        FDispenser(setup.Faults, setup.MuteAfter),
        FSchedule(setup.Delay, setup.Split,
                  setup.Fast ? std::nullopt : std::optional(setup.Receiver)),
        FLineEvents(setup.LineEvents),
        FWake(std::make_shared<TWake>()) {
    const auto start = TSimClock::now();
    for (const TLineTrigger& trigger : FLineEvents) {
      FPeriodDue.push_back(trigger.Period.count() > 0 ? std::optional(start + trigger.Period)
                                                      : std::nullopt);
    }
    FPort.SetWriteListener([wake = FWake] { wake->Written(); });
    FThread = std::thread([this] { Run(); });
  }

  ~TSimDispenserLine() override {
    FPort.SetWriteListener(nullptr);
    {
      std::lock_guard lock(FWake->mu);
      FWake->stop = true;
    }
    FWake->changed.notify_one();
    FThread.join();
  }

  std::shared_ptr<comm::DeviceBackend> Open(std::int32_t* error) { return FPort.OpenDevice(error); }
  bool IsOpen() const { return FPort.IsOpen(); }

  std::vector<TExchange> Exchanges() const override {
    std::lock_guard lock(FLogMutex);
    return {FExchanges.begin(), FExchanges.end()};
  }

 private:
  // Sleeps until the port wrote something, a reply is due or a line event
  // of a period; answers, feeds what is due back into the port.
  void Run() {
    std::unique_lock lock(FWake->mu);
    for (;;) {
      const auto ready = [this] { return FWake->stop || FWake->written; };
      if (const auto due = NextDue()) {
        FWake->changed.wait_until(lock, *due, ready);
      } else {
        FWake->changed.wait(lock, ready);
      }
      if (FWake->stop) return;
      FWake->written = false;
      lock.unlock();
      Answer(FPort.TakeWritten());
      FirePeriods(TSimClock::now());
      for (const TScheduledWrite& write : FSchedule.TakeDue(TSimClock::now())) {
        FPort.Feed(write.Bytes);
      }
      lock.lock();
    }
  }

  // A command is complete when its last byte has crossed the line in the
  // format the port set.
  void Answer(const std::string& written) {
    if (written.empty()) return;
    const auto now = TSimClock::now();
    const TLineFormat format = PortFormat();
    if (const std::string mismatch = LineMismatch(format);
        !mismatch.empty() && format != FToldFormat) {
      comm::OutputDebugStringA(FPort.Name() + ": " + mismatch);
    }
    FToldFormat = format;
    std::vector<TSimClock::time_point> crossed;
    for (std::size_t i = 0; i < written.size(); ++i) {
      crossed.push_back(FSchedule.Crossed(now, format));
    }
    std::vector<TExchange> exchanges = FDispenser.Receive(
        std::span(reinterpret_cast<const std::uint8_t*>(written.data()), written.size()));
    for (const TExchange& exchange : exchanges) {
      if (!exchange.Reply) continue;
      ++FAnswered;
      // The line event comes before the reply to the command it follows.
      for (const TLineTrigger& trigger : FLineEvents) {
        if (trigger.AfterCommand == FAnswered) Fire(trigger);
      }
      FSchedule.Add(*exchange.Reply, crossed[exchange.LastByte], format);
    }
    std::lock_guard lock(FLogMutex);
    for (TExchange& exchange : exchanges) {
      FExchanges.push_back(std::move(exchange));
      if (FExchanges.size() > kKeptExchanges) FExchanges.pop_front();
    }
  }

  TLineFormat PortFormat() const {
    const comm::DCB dcb = FPort.Dcb();
    if (dcb.BaudRate == 0) return kDispenserFormat;  // no block set yet
    return {dcb.BaudRate, dcb.ByteSize, dcb.Parity != 0, dcb.StopBits + 2u};
  }

  std::optional<TSimClock::time_point> NextDue() const {
    std::optional<TSimClock::time_point> due = FSchedule.NextDue();
    for (const auto& period : FPeriodDue) {
      if (period && (!due || *period < *due)) due = period;
    }
    return due;
  }

  void FirePeriods(TSimClock::time_point now) {
    for (std::size_t i = 0; i < FLineEvents.size(); ++i) {
      std::optional<TSimClock::time_point>& due = FPeriodDue[i];
      if (!due || *due > now) continue;
      Fire(FLineEvents[i]);
      // A thread that slept long fires once, not once for each period missed.
      while (*due <= now) *due += FLineEvents[i].Period;
    }
  }

  void Fire(const TLineTrigger& trigger) {
    using namespace comm;
    for (unsigned i = 0; i < trigger.Count; ++i) {
      const DWORD lines = FPort.ModemLines();
      switch (trigger.Kind) {
        case ltBreak:
          FPort.InjectErrors(CE_BREAK);
          break;
        case ltFraming:
          FPort.InjectErrors(CE_FRAME);
          break;
        case ltParity:
          FPort.InjectErrors(CE_RXPARITY);
          break;
        case ltOverrun:
          FPort.InjectErrors(CE_OVERRUN);
          break;
        case ltRxOver:
          FPort.InjectErrors(CE_RXOVER);
          break;
        case ltCTS:
          FPort.SetCTS((lines & MS_CTS_ON) == 0);
          break;
        case ltDSR:
          FPort.SetDSR((lines & MS_DSR_ON) == 0);
          break;
        case ltRing:
          FPort.SetRing(true);
          FPort.SetRing(false);
          break;
        case ltRLSD:
          FPort.SetRLSD((lines & MS_RLSD_ON) == 0);
          break;
      }
    }
  }

  comm::sim::SimPort FPort;
  TVirtualDispenser FDispenser;  // the thread's own
  TReplySchedule FSchedule;      // the thread's own
  // The thread's own: the line events asked for, when each one of a
  // period fires next, and the commands answered so far.
  const std::vector<TLineTrigger> FLineEvents;
  std::vector<std::optional<TSimClock::time_point>> FPeriodDue;
  unsigned FAnswered = 0;
  TLineFormat FToldFormat = kDispenserFormat;  // a mismatch is told once, until it changes
  const std::shared_ptr<TWake> FWake;

  mutable std::mutex FLogMutex;
  std::deque<TExchange> FExchanges;

  std::thread FThread;
};

// "SIM" in capitals and the items as written: one dispenser per key.
std::string Key(std::string_view name) {
  return std::string(kSimPortName) + std::string(name.substr(kSimPortName.size()));
}

struct TDispensers {
  std::mutex mu;
  std::map<std::string, std::shared_ptr<TSimDispenserLine>> byKey;
};

// Made after the device registry's table (RegisterSimDispenser registers
// first), so it goes before it when the program ends.
TDispensers& Dispensers() {
  static TDispensers dispensers;
  return dispensers;
}

std::shared_ptr<comm::DeviceBackend> OpenSimPort(const std::string& name, std::int32_t* error) {
  std::shared_ptr<TSimDispenserLine> line;
  {
    TDispensers& dispensers = Dispensers();
    std::lock_guard lock(dispensers.mu);
    std::shared_ptr<TSimDispenserLine>& slot = dispensers.byKey[Key(name)];
    if (!slot) {
      try {
        slot = std::make_shared<TSimDispenserLine>(name, ParseSimPortName(name));
      } catch (const EConvertError& e) {
        dispensers.byKey.erase(Key(name));
        // Where the system's own open failures are told too.
        comm::OutputDebugStringA("SIM port " + e.Message());
        *error = ENOENT;
        return nullptr;
      }
    }
    line = slot;
  }
  return line->Open(error);
}

}  // namespace

void RegisterSimDispenser() {
  static std::once_flag once;
  std::call_once(once, [] {
    comm::DeviceRegistry::RegisterFamily(std::string(kSimPortName), OpenSimPort);
    Dispensers();
  });
}

std::shared_ptr<const TSimDispenser> FindSimDispenser(std::string_view name) {
  if (!IsSimPortName(name)) return nullptr;
  TDispensers& dispensers = Dispensers();
  std::lock_guard lock(dispensers.mu);
  const auto it = dispensers.byKey.find(Key(name));
  return it == dispensers.byKey.end() ? nullptr : it->second;
}

void RestartSimDispensers() {
  TDispensers& dispensers = Dispensers();
  std::lock_guard lock(dispensers.mu);
  std::erase_if(dispensers.byKey, [](const auto& entry) { return !entry.second->IsOpen(); });
}
