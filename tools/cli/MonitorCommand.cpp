// "monitor --port NAME [--json]": every block the port receives, decoded
// and time-stamped, until SIGINT or SIGTERM (exit 0) or until the device is
// gone (exit 1). A count that is not a number is reported and monitoring
// goes on.
#include <chrono>

#include "console/ReplyDecoder.h"
#include "tools/cli/PortArguments.h"
#include "tools/cli/PortSession.h"
#include "tools/common/Timestamp.h"

namespace {

// The line before each block's effects.
void PrintBlockHeader(std::size_t count, TEffectFormat format, std::ostream& out) {
  const std::string time = WallClockTimestamp(std::chrono::system_clock::now());
  if (format == efJson) {
    out << R"({"time": ")" << time << R"(", "bytes": )" << count << "}\n";
  } else {
    out << "-- " << time << ", " << count << (count == 1 ? " byte\n" : " bytes\n");
  }
}

}  // namespace

int RunMonitor(TCliArgs args, std::ostream& out, std::ostream& err) {
  const TPortArguments arguments = ParsePortArguments(args, paMonitor);
  TPortSession session(err);
  bool outputLost = false;
  session.Open(arguments.Port, [&](std::span<const std::uint8_t> block) {
    PrintBlockHeader(block.size(), arguments.Format, out);
    PrintDecodedReply(DecodeReply(block), arguments.Format, out, err);
    if (!out.flush() && !outputLost) {
      // Nobody reads what is monitored: stop rather than lose it silently.
      outputLost = true;
      Application->Terminate();
    }
  });

  // Says, on stderr so as not to mix with the blocks, that the port is open.
  err << "dispenser-cli: monitoring " << arguments.Port << " until interrupted" << std::endl;
  const TSessionEnd end = session.Run(std::nullopt);
  if (end == seDeviceGone) {
    err << "dispenser-cli: " << arguments.Port << ": " << session.GoneReport() << std::endl;
    return cxFailure;
  }
  session.Close();
  if (outputLost) {
    err << "dispenser-cli: cannot write to standard output" << std::endl;
    return cxFailure;
  }
  return cxOk;
}
