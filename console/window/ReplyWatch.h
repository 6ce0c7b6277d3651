// How long the dispenser took to answer: from the end of a command's write
// to the read of the last byte of the first reply frame that answers it (its
// letter in lower case, or an error reply, as AnswersCommand matches them),
// taken when the read returned, however long the window then takes over the
// block; shown in a status panel ("응답 12 ms"); "응답 없음" when none comes
// within the time-out, which the session log records too. Commands sent before the last one was answered
// wait side by side, each with its own time-out; a reply goes to the oldest
// that it answers, and a reply that answers none is logged as unmatched; a
// reply cut off (the rest never came) is its command's time-out at once.
#pragma once

#include <QLabel>

#include <chrono>
#include <deque>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/ReplyAssembler.h"
#include "console/session/SessionRecorder.h"

class TComponent;
class TTimer;

class TReplyWatch {
 public:
  static constexpr std::chrono::milliseconds kTimeout{1000};

  // The timer is a component of `owner`.
  TReplyWatch(TComponent* owner, QLabel& panel, TSessionRecorder& recorder);

  // A command's frame has been written, the write ending at `writtenAt`:
  // its reply is awaited from then on.
  void Sent(TDispenserCommand command, std::chrono::steady_clock::time_point writtenAt);
  // A block handed on by the reply assembler, as it arrived.
  void Arrived(const TReplyBlock& block);

 private:
  using TClock = TReplyAssembler::TClock;
  struct TAwaited {
    TDispenserCommand Command;
    TClock::time_point SentAt;
  };

  void TimedOut();
  // The timer set for the oldest command's time-out, or off.
  void Rearm();
  void Show(const QString& text);

  QLabel& FPanel;
  int FStoredWidth;
  TSessionRecorder& FRecorder;
  TTimer* FTimer;
  std::deque<TAwaited> FAwaited;  // oldest first
};
