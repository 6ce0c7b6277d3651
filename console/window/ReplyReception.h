// How the window takes in what Com1 reads: the bytes go through a reply
// assembler, the start of a frame whose rest does not come is handed on by a
// timer of the window once its wait is over, and the blocks are applied in
// the order they came, one at a time. A dialog that a block shows runs a
// loop in which more bytes may arrive or the timer may fire; what they bring
// waits behind the block being shown.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <span>

#include "console/protocol/ReplyAssembler.h"

class TComponent;
class TTimer;

class TReplyReception {
 public:
  // Applies one block's effects. May show a dialog, and may raise after
  // the effects before its failure.
  using TApply = std::function<void(const TReplyBlock&)>;

  // Told of each block as the assembler hands it on, before it waits its
  // turn to be applied.
  using TArrived = std::function<void(const TReplyBlock&)>;

  // The timer is a component of `owner`.
  TReplyReception(TComponent* owner, TApply apply, TArrived arrived = {});

  // The bytes of one read, which returned at `readAt` (the blocks carry it).
  // Raises what applying a block raised; the blocks after that one are then
  // applied from the timer.
  void Receive(std::span<const std::uint8_t> bytes, TReplyAssembler::TClock::time_point readAt);

 private:
  void TimerDue();
  void Queue(std::vector<TReplyBlock> blocks);
  void ApplyQueued();
  // The timer set for what comes next: the blocks still queued at once,
  // else the held start of a frame at its due time, else nothing.
  void Rearm();

  TReplyAssembler FAssembler;
  std::deque<TReplyBlock> FQueue;
  bool FApplying = false;
  TTimer* FTimer;
  TApply FApply;
  TArrived FArrived;
};
