// Shared by the decoder tests: bytes written as hex, readable effects.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "console/protocol/HexText.h"
#include "console/protocol/ReceivedText.h"
#include "console/protocol/ReplyDecoder.h"

inline std::vector<std::uint8_t> Bytes(const std::string& hex) {
  return hex.empty() ? std::vector<std::uint8_t>{} : ParseHexText(hex);
}

inline void PrintTo(const TReplyEffect& e, std::ostream* os) {
  *os << ReplyTargetName(e.Target) << " \"" << e.Text << "\" + [" << HexText(e.Raw) << "]";
}
