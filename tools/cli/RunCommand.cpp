// "run --port P [--repeat N] [--interval MS] [--timeout MS] [--stop-on-error]
// [--log FILE] [--json] (COMMAND... | --script FILE)": a burn-in run on one
// open port. Each command is sent and its reply awaited (the first reply
// frame with the command's letter in lower case, or an E error reply) up to
// the time-out, then the interval passes before the next. A summary ends the
// run, also on Ctrl-C.
#include <algorithm>
#include <sstream>
#include <variant>

#include "console/session/PortSettingsText.h"
#include "console/session/SessionRecorder.h"
#include "platform/runtime/Timestamp.h"
#include "tools/cli/PortSession.h"
#include "tools/cli/ReplyFeed.h"
#include "tools/cli/RunPlan.h"
#include "tools/cli/RunTally.h"
#include "tools/cli/Terminal.h"

namespace {

using TClock = std::chrono::steady_clock;

class TRunner {
 public:
  TRunner(const TRunPlan& plan, TPortSession& session, TSessionRecorder& recorder,
          std::ostream& err)
      : FPlan(plan),
        FSession(session),
        FRecorder(recorder),
        FErr(err),
        FProgress(StandardErrorIsTerminal()),
        FFeed(session, [this](const TReplyBlock& block) { Reply(block); }),
        FStepTimer(session.AddTimer([this] { StepDue(); })) {}

  void Received(std::span<const std::uint8_t> bytes) {
    FRecorder.Received(bytes);
    FFeed.Receive(bytes);
  }

  // The first step, at once.
  void Start() { FSession.SetTimer(FStepTimer, TClock::now()); }

  // After the loop: whether the run was cut short (a stop signal or the
  // device's loss, wherever the run waited), and what is still held.
  const TRunTally& Finish() {
    FTally.Interrupted = !FEnded;
    FSession.SetTimer(FStepTimer, std::nullopt);
    FFeed.Finish();
    if (FProgress) FErr << '\r' << std::string(FProgressWidth, ' ') << '\r' << std::flush;
    return FTally;
  }

  bool WriteFailed() const { return FWriteFailed; }

 private:
  // The step timer: a reply's time-out, or the pause after a step is over.
  void StepDue() {
    if (!FAwaited) return Next();
    // A frame start still held when the wait ends is the command's reply, cut off.
    FFeed.Finish();
    if (FAwaited) NoReply();
  }

  // The awaited command got no whole reply: a time-out.
  void NoReply() {
    ++FTally.Timeouts;
    FRecorder.NoReply(*FAwaited, FPlan.Timeout);
    FAwaited.reset();
    ShowProgress();
    if (FPlan.StopOnError) return End();
    Pause(FPlan.Interval);
  }

  void Next() {
    if (FStep == FPlan.Steps.size()) {
      FStep = 0;
      if (++FRound == FPlan.Repeat) return End();
    }
    const TRunStep& step = FPlan.Steps[FStep++];
    if (const auto* wait = std::get_if<std::chrono::milliseconds>(&step)) return Pause(*wait);
    Send(std::get<TDispenserCommand>(step));
  }

  void Send(TDispenserCommand command) {
    const TFrame& frame = CommandFrame(command);
    try {
      PortWrite(FSession.Port(), frame.data(), static_cast<std::int32_t>(frame.size()));
    } catch (const std::exception& error) {
      FErr << "dispenser-cli: " << error.what() << std::endl;
      FRecorder.Error(error.what());
      FWriteFailed = true;
      return End();
    }
    FSentAt = TClock::now();
    FAwaited = command;
    ++FTally.Sent;
    FRecorder.Sent(command);
    FSession.SetTimer(FStepTimer, FSentAt + FPlan.Timeout);
  }

  void Reply(const TReplyBlock& block) {
    const TDecodedReply decoded = DecodeReplyBlock(block);
    for (const TReplyEffect& effect : decoded.Effects) FRecorder.Shown(effect);
    if (block.Kind == rbJunk) return;
    const bool fault = FTally.CountFrame(block, decoded);
    const bool stop = FPlan.StopOnError && fault;
    if (FAwaited && AnswersCommand(block, *FAwaited)) {
      if (block.Kind == rbIncomplete) return NoReply();  // a cut-off reply is none
      // From the end of the write to the read of the reply's last byte.
      const std::chrono::duration<double, std::milli> time = block.LastByteAt - FSentAt;
      ++FTally.Replies;
      FTally.ReplyMs.push_back(time.count());
      FRecorder.Reply(*FAwaited, time);
      FAwaited.reset();
      ShowProgress();
      if (!stop) Pause(FPlan.Interval);
    } else if (block.Kind == rbFrame) {
      ++FTally.Unmatched;
      FRecorder.Note("a reply no command waited for");
    }
    if (stop) End();
  }

  void Pause(std::chrono::milliseconds pause) {
    FSession.SetTimer(FStepTimer, TClock::now() + pause);
  }

  void End() {
    FEnded = true;
    FAwaited.reset();
    FSession.SetTimer(FStepTimer, std::nullopt);
    Application->Terminate();
  }

  void ShowProgress() {
    if (!FProgress) return;
    const std::size_t commands = std::count_if(
        FPlan.Steps.begin(), FPlan.Steps.end(),
        [](const TRunStep& s) { return std::holds_alternative<TDispenserCommand>(s); });
    const std::string line =
        "run: " + IntToStr(FTally.Sent) + "/" +
        IntToStr(static_cast<std::int64_t>(commands * FPlan.Repeat)) + " sent, " +
        IntToStr(FTally.Replies) + " replies, " + IntToStr(FTally.Timeouts) + " time-outs, " +
        IntToStr(static_cast<std::int64_t>(FTally.ErrorReplies.size())) + " error codes";
    FProgressWidth = std::max(FProgressWidth, line.size());
    FErr << '\r' << line << std::string(FProgressWidth - line.size(), ' ') << std::flush;
  }

  const TRunPlan& FPlan;
  TPortSession& FSession;
  TSessionRecorder& FRecorder;
  std::ostream& FErr;
  bool FProgress;
  std::size_t FProgressWidth = 0;
  TRunTally FTally;
  TReplyFeed FFeed;
  TPortSession::TTimerId FStepTimer;
  std::size_t FStep = 0;
  unsigned FRound = 0;
  std::optional<TDispenserCommand> FAwaited;
  TClock::time_point FSentAt;
  bool FWriteFailed = false;
  bool FEnded = false;  // the run came to its end (or stopped on an error) by itself
};

}  // namespace

int RunRun(TCliArgs args, std::ostream& out, std::ostream& err) {
  const TRunPlan plan = ParseRunPlan(args);
  TPortSession session(err);
  TSessionRecorder recorder;
  if (!plan.LogFile.empty()) {
    const std::string started = WallClockTimestamp(std::chrono::system_clock::now());
    recorder.Start(
        std::make_unique<TSessionLog>(
            plan.LogFile, std::vector<std::string>{"dispenser-cli run log", "started " + started}),
        [&err](const std::string& message) { err << "dispenser-cli: " << message << std::endl; });
  }
  TRunner runner(plan, session, recorder, err);
  session.Open(plan.Port, [&](std::span<const std::uint8_t> block) { runner.Received(block); });
  recorder.Opened(plan.Port, PortSettingsText(session.Port()));
  runner.Start();

  const TSessionEnd end = session.Run(std::nullopt);
  const TRunTally& tally = runner.Finish();
  if (end == seDeviceGone) {
    recorder.Lost(plan.Port, session.GoneReport());
    err << "dispenser-cli: " << plan.Port << ": " << session.GoneReport() << std::endl;
  } else {
    session.Close();
    recorder.Closed(plan.Port);
  }
  if (plan.Json) {
    tally.PrintJson(out);
  } else {
    tally.PrintText(out);
  }
  std::ostringstream summary;
  tally.PrintJson(summary);
  recorder.Note("summary " + summary.str().substr(0, summary.str().size() - 1));
  const bool failed = end == seDeviceGone || runner.WriteFailed() || session.ErrorsShown() > 0;
  return !failed && tally.Passed() ? cxOk : cxFailure;
}
