// "send --port NAME [--wait MS] [--replies N] [--json] COMMAND": writes one
// command frame and prints, as decode prints them, the blocks received
// within the wait; with --replies, the wait ends early once N frames' worth
// of bytes has come.
#include "console/ReplyDecoder.h"
#include "tools/cli/PortArguments.h"
#include "tools/cli/PortSession.h"

int RunSend(TCliArgs args, std::ostream& out, std::ostream& err) {
  const TPortArguments arguments = ParsePortArguments(args, paSend);
  TPortSession session(err);
  int exit = cxOk;
  std::size_t received = 0;
  session.Open(arguments.Port, [&](std::span<const std::uint8_t> block) {
    if (PrintDecodedReply(DecodeReply(block), arguments.Format, out, err) != cxOk) {
      exit = cxConversion;
    }
    out.flush();
    received += block.size();
    if (arguments.Replies != 0 && received >= arguments.Replies * TFrame{}.size()) {
      Application->Terminate();
    }
  });
  const TFrame& frame = CommandFrame(*arguments.Command);
  PortWrite(session.Port(), frame.data(), static_cast<std::int32_t>(frame.size()));

  switch (session.Run(arguments.Wait)) {
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
  return session.ErrorsShown() > 0 ? cxFailure : exit;
}
