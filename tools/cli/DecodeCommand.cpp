// "decode [--json] HEX": the effects of one received block.
#include <string>

#include "console/protocol/HexText.h"
#include "console/protocol/ReplyDecoder.h"
#include "tools/cli/CliCommand.h"
#include "tools/cli/EffectOutput.h"

int RunDecode(TCliArgs args, std::ostream& out, std::ostream& err) {
  TEffectFormat format = efText;
  std::string hex;  // the arguments after the options, joined by blanks
  for (const std::string_view arg : args) {
    if (arg.starts_with("-")) {
      if (arg != "--json") throw ECliUsage("unknown option '" + std::string(arg) + "'");
      if (!hex.empty()) throw ECliUsage("--json goes before the hex block");
      format = efJson;
    } else {
      hex += (hex.empty() ? "" : " ") + std::string(arg);
    }
  }
  std::vector<std::uint8_t> block;
  try {
    block = ParseHexText(hex);
  } catch (const EConvertError& e) {
    throw ECliUsage("bad hex block: " + e.Message());
  }
  return PrintDecodedReply(DecodeReply(block), format, out, err);
}
