#include "tools/cli/ReplyFeed.h"

TReplyFeed::TReplyFeed(TPortSession& session, TBlockHandler onBlock)
    : FSession(session), FOnBlock(std::move(onBlock)) {
  FSession.SetOnAlarm([this] { Hand(FAssembler.Expire(TReplyAssembler::TClock::now())); });
}

void TReplyFeed::Receive(std::span<const std::uint8_t> bytes) {
  Hand(FAssembler.Feed(bytes, TReplyAssembler::TClock::now()));
}

void TReplyFeed::Finish() {
  FSession.SetOnAlarm({});
  FSession.SetAlarm(std::nullopt);
  for (const TReplyBlock& block : FAssembler.Flush()) FOnBlock(block);
}

void TReplyFeed::Hand(std::vector<TReplyBlock> blocks) {
  FSession.SetAlarm(FAssembler.Due());
  for (const TReplyBlock& block : blocks) FOnBlock(block);
}
