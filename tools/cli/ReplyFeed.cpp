#include "tools/cli/ReplyFeed.h"

TReplyFeed::TReplyFeed(TPortSession& session, TBlockHandler onBlock)
    : FSession(session), FOnBlock(std::move(onBlock)), FTimer(session.AddTimer([this] {
        Hand(FAssembler.Expire(TReplyAssembler::TClock::now()));
      })) {}

TReplyFeed::~TReplyFeed() {
  FSession.SetTimer(FTimer, std::nullopt);
}

void TReplyFeed::Receive(std::span<const std::uint8_t> bytes) {
  Hand(FAssembler.Feed(bytes, FSession.ReadAt()));
}

void TReplyFeed::Finish() {
  Hand(FAssembler.Flush());
}

void TReplyFeed::Hand(std::vector<TReplyBlock> blocks) {
  FSession.SetTimer(FTimer, FAssembler.Due());
  for (const TReplyBlock& block : blocks) FOnBlock(block);
}
