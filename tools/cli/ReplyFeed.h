// A port session's replies as the window assembles them: every read goes
// through a reply assembler, the start of a frame whose rest does not come
// is handed on by a timer of the session's loop, and what is still held
// when the session ends is handed on by Finish. Blocks reach the handler in
// the order they came.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "console/protocol/ReplyAssembler.h"
#include "tools/cli/PortSession.h"

class TReplyFeed {
 public:
  using TBlockHandler = std::function<void(const TReplyBlock&)>;

  TReplyFeed(TPortSession& session, TBlockHandler onBlock);
  ~TReplyFeed();
  TReplyFeed(const TReplyFeed&) = delete;
  TReplyFeed& operator=(const TReplyFeed&) = delete;

  // The bytes of one read, from the session's block handler: their blocks
  // carry the time that read returned (the session's ReadAt).
  void Receive(std::span<const std::uint8_t> bytes);
  // Hands on whatever is still held.
  void Finish();

 private:
  void Hand(std::vector<TReplyBlock> blocks);

  TPortSession& FSession;
  TBlockHandler FOnBlock;
  TReplyAssembler FAssembler;
  TPortSession::TTimerId FTimer;
};
