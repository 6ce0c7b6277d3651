// Cuts the bytes received from the dispenser into reply frames, whatever
// blocks the line delivered them in: a reply split over several reads comes
// out whole, replies glued into one read come out one by one. The window and
// dispenser-cli decode each block it hands on; it keeps time only through the
// `now` its callers give it, so their own timer does the waiting.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/FrameCutter.h"

enum TReplyBlockKind : std::uint8_t {
  rbFrame,       // ten bytes from STX to ETX; the checksum may still be wrong
  rbJunk,        // bytes that cannot begin a frame, handed on as they came
  rbIncomplete,  // the start of a frame whose rest did not come in time
};

struct TReplyBlock {
  TReplyBlockKind Kind;
  TRawBytes Bytes;
  // When the read that completed the block returned (for a frame: the read of
  // its last byte). A reply's time is taken from it, not from when the block
  // is handled.
  std::chrono::steady_clock::time_point LastByteAt{};

  friend bool operator==(const TReplyBlock&, const TReplyBlock&) = default;
};

class TReplyAssembler {
 public:
  using TClock = std::chrono::steady_clock;

  // How long the start of a frame waits after its last byte for the rest.
  // USB serial adapters hand bytes on in slices up to 16 ms apart (their
  // latency timer), wireless adapters and a busy PC stretch the gaps
  // further, and the threads that bring a read to the window add their
  // share. Only a frame that is cut off anyway waits this long: a whole one
  // goes on with its tenth byte. So the wait is long rather than short.
  static constexpr std::chrono::milliseconds kRestWait{100};

  explicit TReplyAssembler(std::chrono::milliseconds restWait = kRestWait) : FRestWait(restWait) {}

  // Takes the bytes of one read, received at `now` (when the read returned);
  // returns, in stream order, every block they complete, stamped with `now`.
  // A frame starts at an STX and is whole ten bytes later if its tenth byte
  // is ETX; otherwise the bytes up to the next STX are junk. Bytes before an
  // STX are junk at once. The start of a frame is held until its rest comes
  // or its wait is over.
  std::vector<TReplyBlock> Feed(std::span<const std::uint8_t> bytes, TClock::time_point now);

  // When the held bytes are to be handed on as they are; nothing if none are held.
  std::optional<TClock::time_point> Due() const;
  // From Due() on: the held bytes as one incomplete block (stamped with the
  // time its last byte was received). Before it: nothing.
  std::vector<TReplyBlock> Expire(TClock::time_point now);
  // The held bytes at once (the end of a session).
  std::vector<TReplyBlock> Flush();

  std::size_t HeldBytes() const { return FCutter.HeldBytes(); }

 private:
  std::chrono::milliseconds FRestWait;
  TFrameCutter FCutter;
  TClock::time_point FLastByte;
};

// Whether a block answers `command`, as the window and dispenser-cli run
// match replies to their commands: a frame (or the start of one) whose
// letter is the command's in lower case, or E (an error reply); a frame
// start cut off before its letter may answer any. Junk answers nothing.
// A cut-off frame that answers a command is that command's time-out.
bool AnswersCommand(const TReplyBlock& block, TDispenserCommand command);
