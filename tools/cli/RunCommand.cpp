// "run (--port P)... [--ports FILE] [--repeat N] [--interval MS] [--timeout MS]
// [--stop-on-error] [--log FILE] [--report FILE] [--json] (COMMAND... |
// --script FILE)": a burn-in run on open ports, side by side in one loop.
// On each port each command is sent and its reply awaited (the first reply
// frame with the command's letter in lower case, or an E error reply) up to
// the time-out, then the interval passes before the next. A summary ends the
// run, also on Ctrl-C: one per port and their total when there are several.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <variant>

#include "ProjectVersion.h"
#include "console/report/ReportPage.h"
#include "console/session/PortSettingsText.h"
#include "console/session/SessionRecorder.h"
#include "platform/runtime/Timestamp.h"
#include "tools/cli/JsonString.h"
#include "tools/cli/PortSession.h"
#include "tools/cli/ReplyFeed.h"
#include "tools/cli/RunPlan.h"
#include "tools/cli/RunTally.h"
#include "tools/cli/Terminal.h"

namespace {

using TClock = std::chrono::steady_clock;

class TRunner {
 public:
  // `port` is the session's port the run writes to; `onEnd` is called once
  // when the run ends by itself or stops.
  TRunner(const TRunPlan& plan, TPortSession& session, TSessionRecorder& recorder,
          std::ostream& err, bool progress, std::function<void()> onEnd)
      : FPlan(plan),
        FSession(session),
        FRecorder(recorder),
        FErr(err),
        FProgress(progress),
        FOnEnd(std::move(onEnd)),
        FFeed(session, [this](const TReplyBlock& block) { Reply(block); }),
        FStepTimer(session.AddTimer([this] { StepDue(); })) {}

  void Received(std::span<const std::uint8_t> bytes) {
    FRecorder.Received(bytes);
    FFeed.Receive(bytes);
  }

  // The first step, at once, on the session's port `port`.
  void Start(std::size_t port) {
    FPort = port;
    FSession.SetTimer(FStepTimer, TClock::now());
  }

  // The port's device is gone: the run stops, cut short.
  void Stop() {
    FAwaited.reset();
    FSession.SetTimer(FStepTimer, std::nullopt);
    if (!std::exchange(FStopped, true)) FOnEnd();
  }

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
      PortWrite(FSession.Port(FPort), frame.data(), static_cast<std::int32_t>(frame.size()));
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
    Stop();
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
  std::function<void()> FOnEnd;
  std::size_t FPort = 0;
  bool FStopped = false;
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

// One port's run: its runner, log, report and what ended it early.
struct TPortRun {
  std::string Port;
  TSessionRecorder Recorder;
  TPortRecordBuilder Report;
  std::unique_ptr<TRunner> Runner;
  std::optional<std::size_t> Opened;  // the session's port
  std::string Failure;                // the port did not open, or its device is gone
  TRunTally Tally;
};

// The report's and the log's account of each line, wall-clock time stamped.
void TapInto(TPortRun& run) {
  run.Recorder.SetTap(
      [&run](TLogEvent event, std::string_view name, std::string_view hex, std::string_view text) {
        const std::string time = WallClockTimestamp(std::chrono::system_clock::now());
        try {
          run.Report.Add({time, LogEventName(event), name, hex, text});
        } catch (const EConvertError&) {
          // The run writes only what reads back.
        }
      });
}

// The tally's JSON object without its line end; with `failure` (null if
// none) as its last member when `withFailure`.
std::string TallyJson(const TRunTally& tally, bool withFailure, const std::string& failure) {
  std::ostringstream json;
  tally.PrintJson(json);
  std::string object = json.str();
  object.pop_back();
  if (!withFailure) return object;
  object.pop_back();
  return object + R"(, "failure": )" + (failure.empty() ? "null" : JsonString(failure)) + "}";
}

void PrintSummaries(const std::vector<std::unique_ptr<TPortRun>>& runs, const TRunTally& total,
                    bool json, std::ostream& out) {
  if (json) {
    out << R"({"ports": {)";
    const char* separator = "";
    for (const auto& run : runs) {
      out << separator << JsonString(run->Port) << ": "
          << TallyJson(run->Tally, true, run->Failure);
      separator = ", ";
    }
    out << R"(}, "total": )" << TallyJson(total, false, {}) << "}\n";
    return;
  }
  const auto indented = [&out](const TRunTally& tally) {
    std::ostringstream text;
    tally.PrintText(text);
    std::istringstream lines(text.str());
    for (std::string line; std::getline(lines, line);) out << "  " << line << '\n';
  };
  for (const auto& run : runs) {
    out << run->Port
        << (run->Failure.empty() ? "" : ": " + run->Failure.substr(0, run->Failure.find('\n')))
        << '\n';
    indented(run->Tally);
  }
  out << "total of " << runs.size() << " ports\n";
  indented(total);
}

}  // namespace

int RunRun(TCliArgs args, std::ostream& out, std::ostream& err) {
  const TRunPlan plan = ParseRunPlan(args);
  const bool several = plan.Ports.size() > 1;
  TPortSession session(err);
  const std::string started = WallClockTimestamp(std::chrono::system_clock::now());
  const std::string settings = RunSettingsNote(plan.Settings());
  std::vector<std::unique_ptr<TPortRun>> runs;
  std::vector<std::string> logFiles;
  std::size_t running = 0;
  const auto ended = [&running] {
    if (--running == 0) Application->Terminate();
  };
  for (const std::string& port : plan.Ports) {
    auto& run = *runs.emplace_back(std::make_unique<TPortRun>());
    run.Port = port;
    run.Report.SetSettings(settings);
    if (!plan.ReportFile.empty()) TapInto(run);
    if (!plan.LogFile.empty()) {
      logFiles.push_back(several ? PortLogFile(plan.LogFile, port, logFiles) : plan.LogFile);
      run.Recorder.Start(
          std::make_unique<TSessionLog>(
              logFiles.back(),
              std::vector<std::string>{"dispenser-cli run log", "started " + started,
                                       "dispenser-cli " + std::string(kProjectVersion), settings}),
          [&err](const std::string& message) { err << "dispenser-cli: " << message << std::endl; });
    }
    run.Runner = std::make_unique<TRunner>(plan, session, run.Recorder, err,
                                           !several && StandardErrorIsTerminal(), ended);
  }
  for (const auto& entry : runs) {
    TPortRun& run = *entry;
    const auto onBlock = [&run](std::span<const std::uint8_t> block) {
      run.Runner->Received(block);
    };
    // Several ports: a port's loss ends its own run; one port: the loop.
    const auto onLost = [&run, &err](const std::string& report) {
      run.Failure = report;
      run.Recorder.Lost(run.Port, report);
      err << "dispenser-cli: " << run.Port << ": " << report << std::endl;
      run.Runner->Stop();
    };
    try {
      run.Opened = session.Open(run.Port, onBlock, several ? TLostHandler(onLost) : TLostHandler());
    } catch (const Exception& error) {
      if (!several) throw;
      run.Failure = error.Message();
      run.Recorder.Error(error.Message());
      std::istringstream lines(error.Message());
      for (std::string line; std::getline(lines, line);)
        err << "dispenser-cli: " << run.Port << ": " << line << std::endl;
      continue;
    }
    run.Recorder.Opened(run.Port, PortSettingsText(session.Port(*run.Opened)));
    ++running;
  }
  for (const auto& run : runs) {
    if (run->Opened) run->Runner->Start(*run->Opened);
  }

  const TSessionEnd end = running > 0 ? session.Run(std::nullopt) : seWaitOver;
  for (const auto& run : runs) {
    if (run->Opened) run->Tally = run->Runner->Finish();
  }
  if (end != seDeviceGone) session.Close();
  TRunTally total;
  bool failed = false;
  for (const auto& entry : runs) {
    TPortRun& run = *entry;
    if (end == seDeviceGone) {
      run.Failure = session.GoneReport();
      run.Recorder.Lost(run.Port, session.GoneReport());
      err << "dispenser-cli: " << run.Port << ": " << session.GoneReport() << std::endl;
    } else if (run.Opened && run.Failure.empty()) {
      run.Recorder.Closed(run.Port);
    }
    std::ostringstream summary;
    run.Tally.PrintJson(summary);
    run.Recorder.Note("summary " + summary.str().substr(0, summary.str().size() - 1));
    total.Add(run.Tally);
    failed = failed || !run.Failure.empty() || run.Runner->WriteFailed() || !run.Tally.Passed();
  }
  failed = failed || session.ErrorsShown() > 0;
  if (!several) {
    if (plan.Json) {
      total.PrintJson(out);
    } else {
      total.PrintText(out);
    }
  } else {
    PrintSummaries(runs, total, plan.Json, out);
  }
  if (!plan.ReportFile.empty()) {
    TRunReport report{"dispenser-cli " + std::string(kProjectVersion), "dispenser-cli run", {}, {}};
    for (const auto& run : runs) {
      TPortRecord& record = report.Ports.emplace_back(run->Report.Take());
      record.Port = run->Port;
      if (!run->Failure.empty()) record.Ending = run->Failure.substr(0, run->Failure.find('\n'));
    }
    std::ofstream file(plan.ReportFile, std::ios::binary | std::ios::trunc);
    if (file) WriteReportPage(report, file);
    if (!file.flush()) {
      err << "dispenser-cli: cannot write the report " << plan.ReportFile << std::endl;
      failed = true;
    }
  }
  return failed ? cxFailure : cxOk;
}
