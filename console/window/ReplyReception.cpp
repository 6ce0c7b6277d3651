#include "console/window/ReplyReception.h"

#include <algorithm>

#include "platform/qt/Timer.h"

namespace {

using TClock = TReplyAssembler::TClock;

}  // namespace

TReplyReception::TReplyReception(TComponent* owner, TApply apply, TArrived arrived)
    : FTimer(new TTimer(owner)), FApply(std::move(apply)), FArrived(std::move(arrived)) {
  FTimer->SetName("ReplyTimer");
  FTimer->SetEnabled(false);
  FTimer->OnTimer = [this](TObject*) { TimerDue(); };
}

void TReplyReception::Receive(std::span<const std::uint8_t> bytes, TClock::time_point readAt) {
  Queue(FAssembler.Feed(bytes, readAt));
  ApplyQueued();
}

void TReplyReception::TimerDue() {
  FTimer->SetEnabled(false);
  Queue(FAssembler.Expire(TClock::now()));
  ApplyQueued();
}

void TReplyReception::Queue(std::vector<TReplyBlock> blocks) {
  for (TReplyBlock& block : blocks) {
    if (FArrived) FArrived(block);
    FQueue.push_back(std::move(block));
  }
}

void TReplyReception::ApplyQueued() {
  if (FApplying) return;  // the call further up, held in a dialog, goes on with the queue
  FApplying = true;
  try {
    while (!FQueue.empty()) {
      const TReplyBlock block = std::move(FQueue.front());
      FQueue.pop_front();
      FApply(block);
    }
  } catch (...) {
    FApplying = false;
    Rearm();
    throw;
  }
  FApplying = false;
  Rearm();
}

void TReplyReception::Rearm() {
  FTimer->SetEnabled(false);
  std::chrono::milliseconds wait{1};
  if (FQueue.empty()) {
    const auto due = FAssembler.Due();
    if (!due) return;
    wait = std::max(wait, std::chrono::ceil<std::chrono::milliseconds>(*due - TClock::now()));
  }
  FTimer->SetInterval(static_cast<unsigned>(wait.count()));
  FTimer->SetEnabled(true);
}
