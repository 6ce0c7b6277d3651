// What a session with the dispenser writes to its log file. The window and
// dispenser-cli run tell it what happened; it turns that into the file's
// lines. Without a file it records nothing. When the file fails, it says so
// once, through the handler it was given, and writes no more; what the file
// went on without (a rotation that failed) is a note in it and goes to the
// notice handler.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/ReplyDecoder.h"
#include "console/session/LineEvents.h"
#include "console/session/SessionLog.h"

class TSessionRecorder {
 public:
  using TFailureHandler = std::function<void(const std::string& message)>;

  TSessionRecorder() = default;
  // Records into `log` from now on.
  void Start(std::unique_ptr<TSessionLog> log, TFailureHandler onFailure,
             TFailureHandler onNotice = {});
  // Hands every line to `tap` as well, with or without a file (the run's
  // report is built from the same lines the log gets).
  using TLineTap = std::function<void(TLogEvent event, std::string_view name, std::string_view hex,
                                      std::string_view text)>;
  void SetTap(TLineTap tap) { FTap = std::move(tap); }
  // The file written to; empty when none.
  std::string Path() const { return FLog ? FLog->Path() : std::string(); }

  void Note(std::string_view text);
  void Opened(std::string_view port, std::string_view settings);
  void Closed(std::string_view port);
  void Lost(std::string_view port, std::string_view what);
  void Sent(TDispenserCommand command);
  void Received(std::span<const std::uint8_t> block);
  // What a control shows: a decoded effect (the progress step shows no
  // text and is left out), or a line or dialog of the window's own.
  void Shown(const TReplyEffect& effect);
  void Shown(std::string_view target, std::string_view text);
  void Reply(TDispenserCommand command, std::chrono::duration<double, std::milli> time);
  void NoReply(TDispenserCommand command, std::chrono::milliseconds waited);
  // A reply frame that answers no command waiting for one.
  void Unmatched(std::span<const std::uint8_t> frame);
  void ReopenFailed(std::string_view port, std::string_view cause);
  void Error(std::string_view message);
  // A break, line error or modem-line change, or a burst's summary.
  void Line(const TLineEvent& event);

 private:
  void Write(TLogEvent event, std::string_view name, std::string_view hex, std::string_view text);

  std::unique_ptr<TSessionLog> FLog;
  TFailureHandler FOnFailure;
  TFailureHandler FOnNotice;
  TLineTap FTap;
};

// A duration as the log and the summaries write it: "12.3 ms" (a reply time
// with two decimals: "12.34 ms").
std::string MillisecondsText(std::chrono::duration<double, std::milli> time, int decimals = 1);
