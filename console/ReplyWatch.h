// How long the dispenser took to answer: from the end of a command's write
// to the first reply frame after it, shown in a status panel ("응답 12 ms");
// "응답 없음" when no frame comes within the time-out, which the session
// log records too.
#pragma once

#include <QLabel>

#include <chrono>
#include <optional>

#include "console/DispenserFrames.h"
#include "console/ReplyAssembler.h"
#include "console/SessionRecorder.h"

class TComponent;
class TTimer;

class TReplyWatch {
 public:
  static constexpr std::chrono::milliseconds kTimeout{1000};

  // The timer is a component of `owner`.
  TReplyWatch(TComponent* owner, QLabel& panel, TSessionRecorder& recorder);

  // A command's frame has been written: its reply is awaited from now on,
  // in place of any still awaited.
  void Sent(TDispenserCommand command);
  // A block handed on by the reply assembler, as it arrived.
  void Arrived(const TReplyBlock& block);

 private:
  void TimedOut();
  void Show(const QString& text);

  QLabel& FPanel;
  int FStoredWidth;
  TSessionRecorder& FRecorder;
  TTimer* FTimer;
  std::optional<TDispenserCommand> FAwaited;
  TReplyAssembler::TClock::time_point FSentAt;
};
