// The reply decoder: turns one block of bytes received from the dispenser
// into the ordered effects the main window applies to its controls.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/ReplyAssembler.h"
#include "platform/runtime/SysUtils.h"

// The control an effect goes to, named after the window's controls.
enum TReplyTarget : std::uint8_t {
  rtEdit3,         // set the raw-text field
  rtMemo1,         // append one line to the reply log
  rtEdit2,         // set the total-count field
  rtEdit1,         // set the dispensed-count field
  rtDialog,        // show a modal message dialog and wait until it is closed
  rtProgressBar2,  // advance the reply progress bar by one step (no text)
};

// One effect. Its text is `Text` (the decoder's own words, UTF-8) followed by
// `Raw` (received bytes); each consumer turns `Raw` into text its own way
// (DisplayText in console/protocol/ReceivedText.h for people).
struct TReplyEffect {
  TReplyTarget Target;
  std::string Text;
  TRawBytes Raw;

  friend bool operator==(const TReplyEffect&, const TReplyEffect&) = default;
};

// The count conversion that failed: the error StrToInt raised, and the count
// piece it was given (received bytes).
struct TReplyFailure {
  EConvertError Error;
  TRawBytes CountPiece;
};

// What one block decodes to: the effects in the order they apply and, when a
// count piece was not a number, the failure that follows them. A failed block
// has no dispense dialog and no progress step; its window applies the effects
// and then raises Failure->Error.
struct TDecodedReply {
  std::vector<TReplyEffect> Effects;
  std::optional<TReplyFailure> Failure;
};

// Decodes one received block. Pure: keeps nothing between calls.
TDecodedReply DecodeReply(std::span<const std::uint8_t> block);

// Decodes one block as DecodeReply does; a frame whose checksum byte breaks
// the frame rule also gets a log line that names the received and the
// computed byte: "체크섬 오류: 받음 D8, 계산 D7".
TDecodedReply DecodeReplyBlock(const TReplyBlock& block);

// The target's name as the tools print it: "Edit3", "Memo1", "Edit2",
// "Edit1", "dialog", "ProgressBar2".
const char* ReplyTargetName(TReplyTarget target);
