#include "tools/cli/EffectOutput.h"

#include "console/protocol/ReceivedText.h"
#include "tools/cli/CliCommand.h"
#include "tools/cli/JsonString.h"

void PrintEffect(const TReplyEffect& effect, TEffectFormat format, std::ostream& out) {
  const std::string target = ReplyTargetName(effect.Target);
  // The whole line first: a conversion that fails prints none of it.
  std::string line;
  if (format == efJson) {
    line = R"({"target": ")" + target + R"(", "text": )" +
           JsonString(effect.Text + DecodedText(effect.Raw)) + "}\n";
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
