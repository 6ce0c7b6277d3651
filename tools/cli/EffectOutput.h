// How dispenser-cli prints decoded replies: one line per effect, as
// "TARGET<TAB>TEXT" for people or as a JSON object for programs.
#pragma once

#include <ostream>

#include "console/protocol/ReplyDecoder.h"

enum TEffectFormat : std::uint8_t { efText, efJson };

// One effect on one line. Text lines show received bytes with DisplayText
// (control symbols, so an effect never spans lines); JSON lines carry them
// decoded with DecodedText, controls escaped by JSON.
void PrintEffect(const TReplyEffect& effect, TEffectFormat format, std::ostream& out);

// Every effect of `reply` on `out` and, if its count was not a number, a
// message naming the count on `err`. Returns cxOk or cxConversion.
int PrintDecodedReply(const TDecodedReply& reply, TEffectFormat format, std::ostream& out,
                      std::ostream& err);
