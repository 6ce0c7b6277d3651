// "send --port NAME [--wait MS] [--replies N] [--json] COMMAND": writes one
// command frame and prints, as decode prints them, the reply frames received
// within the wait, each decoded by itself however the line cut or glued
// them; with --replies, the wait ends early once N reply frames have come.
// Fewer whole frames than asked for (one without --replies) within the wait
// is a failure: a frame start cut off is printed but is no reply.
#include <algorithm>

#include "tools/cli/PortArguments.h"
#include "tools/cli/PortSession.h"
#include "tools/cli/ReplyFeed.h"

namespace {

// "no reply within 300 ms", "1 of 2 replies within 300 ms".
std::string MissingReplies(unsigned frames, unsigned wanted, std::chrono::milliseconds wait) {
  const std::string within = " within " + IntToStr(wait.count()) + " ms";
  if (frames == 0) return "no reply" + within;
  return IntToStr(frames) + " of " + IntToStr(wanted) + " replies" + within;
}

}  // namespace

int RunSend(TCliArgs args, std::ostream& out, std::ostream& err) {
  const TPortArguments arguments = ParsePortArguments(args, paSend);
  const unsigned wanted = std::max(1u, arguments.Replies);
  TPortSession session(err);
  int exit = cxOk;
  unsigned frames = 0;
  TReplyFeed replies(session, [&](const TReplyBlock& block) {
    if (PrintDecodedReply(DecodeReplyBlock(block), arguments.Format, out, err) != cxOk) {
      exit = cxConversion;
    }
    out.flush();
    if (block.Kind == rbFrame) ++frames;
    if (arguments.Replies != 0 && frames >= arguments.Replies) Application->Terminate();
  });
  session.Open(arguments.Port,
               [&](std::span<const std::uint8_t> block) { replies.Receive(block); });
  const TFrame& frame = CommandFrame(*arguments.Command);
  PortWrite(session.Port(), frame.data(), static_cast<std::int32_t>(frame.size()));

  const TSessionEnd end = session.Run(arguments.Wait);
  replies.Finish();
  switch (end) {
    case seDeviceGone:
      err << "dispenser-cli: " << arguments.Port << ": " << session.GoneReport() << std::endl;
      return cxFailure;
    case seSignal:
      session.Close();
      return 128 + session.Signal();
    case seWaitOver:
      break;
  }
  session.Close();
  if (session.ErrorsShown() > 0) return cxFailure;
  if (frames < wanted) {
    err << "dispenser-cli: " << arguments.Port << ": "
        << MissingReplies(frames, wanted, arguments.Wait) << std::endl;
    return cxFailure;
  }
  return exit;
}
