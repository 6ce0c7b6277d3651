// Any text read from a settings store through the conversions to setting
// values. Every text gives a value of its enumeration: the entry it names
// (letter case aside) or the fixed fallback, never anything else; each
// value's text reads back as the value; a character's text reads back as
// the character it was read as.
#include "fuzz/FuzzCheck.h"
#include "platform/runtime/SysUtils.h"
#include "serial/ComText.h"

namespace {

template <typename E, std::size_t N>
void CheckTable(const std::array<std::string_view, N>& table, E (*fromText)(const std::string&),
                std::string (*toText)(E), E fallback, const std::string& text) {
  const E value = fromText(text);
  FUZZ_CHECK(static_cast<std::size_t>(value) < N);
  const bool named = SameText(toText(value), text);
  FUZZ_CHECK(named || value == fallback);
  // A text that names an entry is never taken for the fallback.
  for (std::size_t i = 0; i < N; ++i) {
    if (SameText(std::string(table[i]), text)) FUZZ_CHECK(named);
  }
  for (std::size_t i = 0; i < N; ++i) {
    FUZZ_CHECK(fromText(toText(static_cast<E>(i))) == static_cast<E>(i));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckTable(BaudRateTexts, TextToBaudRate, BaudRateToText, br9600, text);
  CheckTable(StopBitsTexts, TextToStopBits, StopBitsToText, sbOneStopBit, text);
  CheckTable(DataBitsTexts, TextToDataBits, DataBitsToText, dbEight, text);
  CheckTable(ParityTexts, TextToParity, ParityToText, prNone, text);
  CheckTable(FlowControlTexts, TextToFlowControl, FlowControlToText, fcCustom, text);
  CheckTable(DTRTexts, TextToDTR, DTRToText, dtrDisable, text);
  CheckTable(RTSTexts, TextToRTS, RTSToText, rtsDisable, text);

  const bool on = TextToBool(text);
  FUZZ_CHECK(on == SameText(text, "Yes"));
  FUZZ_CHECK(TextToBool(BoolToText(on)) == on);

  const char c = TextToChar(text);
  FUZZ_CHECK(TextToChar(CharToText(c)) == c);
  if (text.empty()) FUZZ_CHECK(c == 0);
  if (!text.empty() && (text[0] != '#' || text == "#")) FUZZ_CHECK(c == text[0]);
  return 0;
}
