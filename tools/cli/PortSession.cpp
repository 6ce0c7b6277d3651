#include "tools/cli/PortSession.h"

#include <algorithm>
#include <vector>

#include "console/protocol/DispenserLine.h"
#include "platform/serial/OpenFailure.h"

// The command-line error report: a port whose events can no longer be
// waited on ends the loop; anything else is one line on stderr.
class TPortSession::TBackend : public HeadlessBackend {
 public:
  explicit TBackend(TPortSession& session) : FSession(session) {}

  // Called while the exception it shows is being handled, so its kind is known.
  void ShowException(const std::string& message) override {
    const auto* error = CurrentPortError();
    if (error != nullptr && error->ErrorCode() == ecWaitFailed) {
      const auto* system = dynamic_cast<const EComPortExt*>(error);
      const bool vanished = system != nullptr && comm::IsDeviceGoneError(system->SystemErrorCode());
      FSession.FDeviceGone = true;
      ++FSession.FGoneReports;
      FSession.FGoneReport =
          (vanished ? "the device is gone (" : "the port can no longer be watched (") + message +
          ")";
      Terminate();
      return;
    }
    // A close that failed is told once (the port's destruction tries it
    // again); a lost port's own close may fail too.
    if (FSession.FClosing) return;
    ++FSession.FErrorsShown;
    FSession.FErr << "dispenser-cli: " << message << std::endl;
  }

 private:
  static const EComPort* CurrentPortError() {
    try {
      if (const std::exception_ptr current = std::current_exception()) {
        std::rethrow_exception(current);
      }
    } catch (const EComPort& error) {
      // The object lives as long as the exception being handled, which
      // outlasts this call.
      return &error;
    } catch (...) {
    }
    return nullptr;
  }

  TPortSession& FSession;
};

TPortSession::TPortSession(std::ostream& err) : FErr(err) {
  FApplication = std::make_unique<TApplication>(std::make_unique<TBackend>(*this));
  FApplication->Initialize();
}

TPortSession::~TPortSession() {
  FStop.Finish();  // no timer runs from now on
  FTimers.clear();
  Close();
  FClosing = true;  // what Close told, the ports' destruction does not tell again
  FPorts.clear();
  FApplication.reset();
}

std::size_t TPortSession::Open(const std::string& name, TBlockHandler onBlock,
                               TLostHandler onLost) {
  auto opened = std::make_unique<TOpenPort>();
  opened->OnBlock = std::move(onBlock);
  opened->Port = std::make_unique<TComPort>(nullptr);
  TOpenPort& entry = *opened;
  TComPort& port = *entry.Port;
  port.SetPort(name);
  SetDispenserLine(port);
  port.SetEvents(TComEvents::All());
  port.SetSyncMethod(smThreadSync);
  port.SetWaitInMainLoop(true);  // the session's loop waits on the device itself
  port.SetOnRxChar([this, &entry](TObject*, std::int32_t count) { HandleRxChar(entry, count); });
  if (onLost) {
    port.SetOnDeviceLost([&entry, onLost](TObject*, const EComPortExt& error) {
      entry.Gone = true;
      const bool vanished = comm::IsDeviceGoneError(error.SystemErrorCode());
      onLost((vanished ? "the device is gone (" : "the port can no longer be watched (") +
             std::string(error.what()) + ")");
    });
  }
  try {
    port.Open();
  } catch (const EComPortExt& error) {
    if (error.ErrorCode() != ecOpenFailed) throw;
    // The message as the engine gives it, and on the next line why.
    throw Exception(std::string(error.what()) + "\n" +
                    comm::OpenFailureCause(name, error.SystemErrorCode()));
  }
  FPorts.push_back(std::move(opened));
  return FPorts.size() - 1;
}

void TPortSession::HandleRxChar(TOpenPort& port, std::int32_t count) {
  // As the window does: read the reported count at once, on the main thread.
  std::vector<std::uint8_t> block(static_cast<std::size_t>(count), 0);
  const std::int32_t read = port.Port->Read(block.data(), count);
  FReadAt = std::chrono::steady_clock::now();
  // Only what the read returned was received; the rest of the buffer is not data.
  block.resize(static_cast<std::size_t>(std::clamp(read, 0, count)));
  if (!block.empty() && port.OnBlock) port.OnBlock(block);
}

TSessionEnd TPortSession::Run(std::optional<std::chrono::milliseconds> wait) {
  std::optional<TLoopStop::TClock::time_point> deadline;
  if (wait) deadline = TLoopStop::TClock::now() + *wait;
  TApplication& application = *FApplication;
  // Both from the loop, on the main thread.
  FStop.Start(
      deadline, [&application] { application.Terminate(); }, [this] { RunDueTimers(); });
  application.Run();
  FStop.Finish();
  if (FDeviceGone) return seDeviceGone;
  return FStop.Signal() != 0 ? seSignal : seWaitOver;
}

TPortSession::TTimerId TPortSession::AddTimer(std::function<void()> onDue) {
  FTimers.push_back({std::nullopt, std::move(onDue)});
  return FTimers.size() - 1;
}

void TPortSession::SetTimer(TTimerId timer,
                            std::optional<std::chrono::steady_clock::time_point> at) {
  if (timer >= FTimers.size()) return;  // the session is ending
  FTimers[timer].At = at;
  SetAlarm();
}

// The alarm rings for the earliest timer.
void TPortSession::SetAlarm() {
  std::optional<std::chrono::steady_clock::time_point> earliest;
  for (const TLoopTimer& timer : FTimers) {
    if (timer.At && (!earliest || *timer.At < *earliest)) earliest = timer.At;
  }
  FStop.SetAlarm(earliest);
}

void TPortSession::RunDueTimers() {
  const auto now = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < FTimers.size(); ++i) {
    if (!FTimers[i].At || *FTimers[i].At > now) continue;
    FTimers[i].At.reset();
    FTimers[i].OnDue();  // may set timers again
  }
  SetAlarm();
}

void TPortSession::Close() {
  for (const auto& port : FPorts) Close(*port);
}

void TPortSession::Close(TOpenPort& port) {
  if (!port.Port->Connected() || port.CloseFailed) return;
  try {
    port.Port->Close();
  } catch (const std::exception& error) {
    // A device that is gone cannot be purged; the port's destruction closes
    // it without asking the device anything more.
    if (FDeviceGone || port.Gone) return;
    port.CloseFailed = true;
    ++FErrorsShown;
    FErr << "dispenser-cli: " << error.what() << std::endl;
  }
}
