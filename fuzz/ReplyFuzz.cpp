// A received block through the reply decoder and the text forms the window
// shows of it. The decoder keeps its layout whatever arrives: the raw text
// first (the block up to its first NUL), the hex line second, the progress
// step last unless a count failed, and every piece it quotes taken from the
// raw text. The texts are well-formed UTF-8 on one line, and the hex line
// reads back as the block.
#include <algorithm>

#include "console/protocol/HexText.h"
#include "console/protocol/ReceivedText.h"
#include "console/protocol/ReplyDecoder.h"
#include "fuzz/FuzzCheck.h"

namespace {

bool IsPieceOf(const TRawBytes& piece, const TRawBytes& whole) {
  return piece.empty() ||
         std::search(whole.begin(), whole.end(), piece.begin(), piece.end()) != whole.end();
}

void CheckDecoding(std::span<const std::uint8_t> block) {
  const TDecodedReply reply = DecodeReply(block);
  const TRawBytes raw(block.begin(), std::find(block.begin(), block.end(), std::uint8_t{0}));
  const std::vector<TReplyEffect>& effects = reply.Effects;
  FUZZ_CHECK(effects.size() >= 2);
  FUZZ_CHECK(effects[0].Target == rtEdit3 && effects[0].Text.empty() && effects[0].Raw == raw);
  FUZZ_CHECK(effects[1].Target == rtMemo1 && effects[1].Text == HexText(block));
  const bool stepped = effects.back().Target == rtProgressBar2;
  FUZZ_CHECK(stepped == !reply.Failure.has_value());
  int dialogs = 0;
  for (const TReplyEffect& effect : effects) {
    FUZZ_CHECK(effect.Target <= rtProgressBar2);
    FUZZ_CHECK(IsPieceOf(effect.Raw, raw));
    FUZZ_CHECK(fuzz::IsValidUtf8(effect.Text));
    dialogs += effect.Target == rtDialog;
  }
  FUZZ_CHECK(dialogs <= 2);  // the error prompt and one dispense report at most
  if (reply.Failure) {
    FUZZ_CHECK(reply.Failure->CountPiece.size() <= 2 && IsPieceOf(reply.Failure->CountPiece, raw));
  }
  // Pure: the same block decodes the same way again.
  const TDecodedReply again = DecodeReply(block);
  FUZZ_CHECK(again.Effects == effects && again.Failure.has_value() == reply.Failure.has_value());
}

void CheckTexts(std::span<const std::uint8_t> block) {
  const std::string shown = DisplayText(block);
  FUZZ_CHECK(fuzz::IsValidUtf8(shown));
  // One line, every control character visible: no byte below 0x20, no DEL.
  FUZZ_CHECK(std::none_of(shown.begin(), shown.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  }));
  FUZZ_CHECK(!block.empty() || shown.empty());
  FUZZ_CHECK(fuzz::IsValidUtf8(DecodedText(block)));

  const std::string hex = HexText(block);
  FUZZ_CHECK(hex.size() == 2 * block.size());
  if (!block.empty()) {
    const std::vector<std::uint8_t> back = ParseHexText(hex);
    FUZZ_CHECK(std::equal(back.begin(), back.end(), block.begin(), block.end()));
  }
}

// The same input as text a tool was given: either refused with a reason, or
// bytes whose hex line is the text without its blanks, in upper case.
void CheckHexParsing(std::span<const std::uint8_t> input) {
  const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ParseHexText(text);
  } catch (const EConvertError& error) {
    FUZZ_CHECK(!error.Message().empty());
    return;
  }
  std::string digits;
  for (char c : text) {
    if (c != ' ' && c != '\t') digits += static_cast<char>(c >= 'a' && c <= 'f' ? c - 32 : c);
  }
  FUZZ_CHECK(!bytes.empty() && HexText(bytes) == digits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> block(data, size);
  CheckDecoding(block);
  CheckTexts(block);
  CheckHexParsing(block);
  return 0;
}
