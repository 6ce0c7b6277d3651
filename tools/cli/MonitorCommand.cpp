// "monitor --port NAME [--json]": every block the port reads, time-stamped
// with its bytes in hex, then the effects of the reply frames it completed,
// and between the blocks each break, line error and modem-line change as the
// port's events tell them (a burst summed up each second), until SIGINT or SIGTERM (exit 0, or 1 if
// a port error was shown on the way, a failed close too) or until the device is gone (exit 1). A
// count that is not a number is reported and monitoring goes on.
#include <chrono>

#include "console/protocol/HexText.h"
#include "console/session/LineEventWatch.h"
#include "platform/runtime/Timestamp.h"
#include "tools/cli/LineEventOutput.h"
#include "tools/cli/PortArguments.h"
#include "tools/cli/PortSession.h"
#include "tools/cli/ReplyFeed.h"

namespace {

// The line for each block as read, before the effects of what it completed.
void PrintBlockHeader(std::span<const std::uint8_t> block, TEffectFormat format,
                      std::ostream& out) {
  const std::string time = WallClockTimestamp(std::chrono::system_clock::now());
  const std::string hex = HexText(block);
  if (format == efJson) {
    out << R"({"time": ")" << time << R"(", "bytes": )" << block.size() << R"(, "hex": ")" << hex
        << "\"}\n";
  } else {
    out << "-- " << time << ", " << block.size() << (block.size() == 1 ? " byte: " : " bytes: ")
        << hex << '\n';
  }
}

}  // namespace

int RunMonitor(TCliArgs args, std::ostream& out, std::ostream& err) {
  const TPortArguments arguments = ParsePortArguments(args, paMonitor);
  TPortSession session(err);
  bool outputLost = false;
  auto flush = [&] {
    if (!out.flush() && !outputLost) {
      // Nobody reads what is monitored: stop rather than lose it silently.
      outputLost = true;
      Application->Terminate();
    }
  };
  TReplyFeed replies(session, [&](const TReplyBlock& block) {
    PrintDecodedReply(DecodeReplyBlock(block), arguments.Format, out, err);
    flush();
  });
  session.Open(arguments.Port, [&](std::span<const std::uint8_t> block) {
    PrintBlockHeader(block, arguments.Format, out);
    replies.Receive(block);
    flush();
  });
  // Line events between the blocks, a burst's summary when a timer of the
  // session's loop says its second is over.
  std::optional<TLineEventWatch> lineEvents;
  const TPortSession::TTimerId summaries =
      session.AddTimer([&lineEvents] { lineEvents->AlarmRang(); });
  lineEvents.emplace(
      session.Port(),
      [&](const TLineEvent& event) {
        PrintLineEvent(event, arguments.Format, out);
        flush();
      },
      [&session, summaries](std::optional<TLineEventWatch::TClock::time_point> at) {
        session.SetTimer(summaries, at);
      });

  // Says, on stderr so as not to mix with the blocks, that the port is open.
  err << "dispenser-cli: monitoring " << arguments.Port << " until interrupted" << std::endl;
  const TSessionEnd end = session.Run(std::nullopt);
  replies.Finish();
  lineEvents->Finish();
  if (end == seDeviceGone) {
    err << "dispenser-cli: " << arguments.Port << ": " << session.GoneReport() << std::endl;
    return cxFailure;
  }
  session.Close();
  if (outputLost) {
    err << "dispenser-cli: cannot write to standard output" << std::endl;
    return cxFailure;
  }
  return session.ErrorsShown() > 0 ? cxFailure : cxOk;
}
