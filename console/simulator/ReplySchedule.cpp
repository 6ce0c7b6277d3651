#include "console/simulator/ReplySchedule.h"

#include <algorithm>
#include <vector>

TSimClock::time_point TReplySchedule::Crossed(TSimClock::time_point now,
                                              const TLineFormat& format) {
  if (!FRealTime) return now;
  FInFree = std::max(now, FInFree) + CharacterTime(format);
  return FInFree;
}

void TReplySchedule::Add(const TFrame& reply, TSimClock::time_point now,
                         const TLineFormat& format) {
  if (FRealTime) {
    const TSimClock::duration character = CharacterTime(format);
    std::vector<TSimClock::time_point> ends;
    TSimClock::time_point end = std::max(now + FDelay, FOutFree);
    for (std::size_t i = 0; i < reply.size(); ++i) {
      if (FSplit && i == kSplitAt) end += kSplitPause;
      end += character;
      ends.push_back(end);
    }
    FOutFree = end;
    const std::span<const std::uint8_t> bytes(reply.data(), reply.size());
    if (!FSplit) return AddPieces(bytes, ends, character, 0);
    AddPieces(bytes.first(kSplitAt), std::span(ends).first(kSplitAt), character, 1);
    AddPieces(bytes.subspan(kSplitAt), std::span(ends).subspan(kSplitAt), character, 2);
    return;
  }
  TSimClock::time_point due = now + FDelay;
  if (!FWrites.empty()) due = std::max(due, FWrites.back().Due);
  if (!FSplit) {
    FWrites.push_back({due, {reply.begin(), reply.end()}, 0});
    return;
  }
  FWrites.push_back({due, {reply.begin(), reply.begin() + kSplitAt}, 1});
  FWrites.push_back({due + kSplitPause, {reply.begin() + kSplitAt, reply.end()}, 2});
}

void TReplySchedule::AddPieces(std::span<const std::uint8_t> bytes,
                               std::span<const TSimClock::time_point> ends,
                               TSimClock::duration characterTime, int part) {
  std::size_t given = 0;
  for (const TReceivedPiece& piece : CutByReceiver(ends, *FRealTime, characterTime, FEpoch)) {
    const TSimClock::time_point due =
        FWrites.empty() ? piece.At : std::max(piece.At, FWrites.back().Due);
    FWrites.push_back({due, {bytes.begin() + given, bytes.begin() + given + piece.Bytes}, part});
    given += piece.Bytes;
  }
}

std::optional<TSimClock::time_point> TReplySchedule::NextDue() const {
  if (FWrites.empty()) return std::nullopt;
  return FWrites.front().Due;
}

std::vector<TScheduledWrite> TReplySchedule::TakeDue(TSimClock::time_point now) {
  std::vector<TScheduledWrite> due;
  while (!FWrites.empty() && FWrites.front().Due <= now) {
    due.push_back(std::move(FWrites.front()));
    FWrites.pop_front();
  }
  return due;
}
