// Conversions between settings and their texts.
#include "serial/ComText.h"

#include <cstdint>

#include "platform/runtime/SysUtils.h"

namespace {

template <typename E, std::size_t N>
std::string ToText(const std::array<std::string_view, N>& table, E value) {
  return std::string(table[static_cast<std::size_t>(value)]);
}

// The first entry equal to text ignoring the case of ASCII letters, or the
// fallback. Blanks count like any other byte.
template <typename E, std::size_t N>
E FromText(const std::array<std::string_view, N>& table, const std::string& text, E fallback) {
  const std::string folded = UpperCase(text);
  for (std::size_t i = 0; i < N; ++i) {
    if (UpperCase(std::string(table[i])) == folded) return static_cast<E>(i);
  }
  return fallback;
}

}  // namespace

std::string BaudRateToText(TBaudRate value) {
  return ToText(BaudRateTexts, value);
}
std::string StopBitsToText(TStopBits value) {
  return ToText(StopBitsTexts, value);
}
std::string DataBitsToText(TDataBits value) {
  return ToText(DataBitsTexts, value);
}
std::string ParityToText(TParityBits value) {
  return ToText(ParityTexts, value);
}
std::string FlowControlToText(TFlowControl value) {
  return ToText(FlowControlTexts, value);
}
std::string DTRToText(TDTRFlowControl value) {
  return ToText(DTRTexts, value);
}
std::string RTSToText(TRTSFlowControl value) {
  return ToText(RTSTexts, value);
}

TBaudRate TextToBaudRate(const std::string& text) {
  return FromText(BaudRateTexts, text, br9600);
}
TStopBits TextToStopBits(const std::string& text) {
  return FromText(StopBitsTexts, text, sbOneStopBit);
}
TDataBits TextToDataBits(const std::string& text) {
  return FromText(DataBitsTexts, text, dbEight);
}
TParityBits TextToParity(const std::string& text) {
  return FromText(ParityTexts, text, prNone);
}
TFlowControl TextToFlowControl(const std::string& text) {
  return FromText(FlowControlTexts, text, fcCustom);
}
TDTRFlowControl TextToDTR(const std::string& text) {
  return FromText(DTRTexts, text, dtrDisable);
}
TRTSFlowControl TextToRTS(const std::string& text) {
  return FromText(RTSTexts, text, rtsDisable);
}

std::string BoolToText(bool value) {
  return value ? "Yes" : "No";
}

bool TextToBool(const std::string& text) {
  return UpperCase(text) == "YES";
}

std::string CharToText(char value) {
  const auto code = static_cast<unsigned char>(value);
  if (code >= 33 && code <= 127) return std::string(1, value);
  return "#" + IntToStr(code);
}

char TextToChar(const std::string& text) {
  if (text.empty()) return 0;
  if (text[0] != '#' || text.size() == 1) return text[0];
  try {
    return static_cast<char>(static_cast<std::uint8_t>(StrToInt(text.substr(1)) & 0xFF));
  } catch (const EConvertError&) {
    return 0;  // a bad number is absorbed
  }
}
