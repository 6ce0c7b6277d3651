#include "tools/cli/EffectOutput.h"

#include "console/protocol/ReceivedText.h"
#include "platform/runtime/SysUtils.h"
#include "tools/cli/CliCommand.h"

namespace {

// `text` (UTF-8) as the inside of a JSON string.
std::string JsonEscaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          out += "\\u00" + IntToHex(static_cast<unsigned char>(c), 2);
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace

void PrintEffect(const TReplyEffect& effect, TEffectFormat format, std::ostream& out) {
  const std::string target = ReplyTargetName(effect.Target);
  // The whole line first: a conversion that fails prints none of it.
  std::string line;
  if (format == efJson) {
    line = R"({"target": ")" + target + R"(", "text": ")" +
           JsonEscaped(effect.Text + DecodedText(effect.Raw)) + "\"}\n";
  } else {
    line = target + '\t' + effect.Text + DisplayText(effect.Raw) + '\n';
  }
  out << line;
}

int PrintDecodedReply(const TDecodedReply& reply, TEffectFormat format, std::ostream& out,
                      std::ostream& err) {
  for (const TReplyEffect& effect : reply.Effects) PrintEffect(effect, format, out);
  if (!reply.Failure) return cxOk;
  out.flush();  // the effects come before the message, as they happened
  err << "dispenser-cli: the count '" << DisplayText(reply.Failure->CountPiece)
      << "' is not a valid integer value\n";
  return cxConversion;
}
