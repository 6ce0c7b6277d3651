#include "console/session/SessionRecorder.h"

#include <cstdio>

#include "console/protocol/HexText.h"
#include "console/protocol/ReceivedText.h"

void TSessionRecorder::Start(std::unique_ptr<TSessionLog> log, TFailureHandler onFailure,
                             TFailureHandler onNotice) {
  FLog = std::move(log);
  FOnFailure = std::move(onFailure);
  FOnNotice = std::move(onNotice);
}

void TSessionRecorder::Write(TLogEvent event, std::string_view name, std::string_view hex,
                             std::string_view text) {
  if (FTap) FTap(event, name, hex, text);
  if (!FLog) return;
  try {
    FLog->Write(event, name, hex, text);
  } catch (const ESessionLog& error) {
    FLog.reset();
    if (FOnFailure) FOnFailure(error.Message() + "; the session is no longer logged");
    return;
  }
  if (const std::string notice = FLog->TakeNotice(); !notice.empty()) {
    Note(notice);
    if (FOnNotice) FOnNotice(notice);
  }
}

void TSessionRecorder::Note(std::string_view text) {
  Write(leNote, "", "", text);
}

void TSessionRecorder::Opened(std::string_view port, std::string_view settings) {
  Write(leOpened, port, "", settings);
}

void TSessionRecorder::Closed(std::string_view port) {
  Write(leClosed, port, "", "");
}

void TSessionRecorder::Lost(std::string_view port, std::string_view what) {
  Write(leLost, port, "", what);
}

void TSessionRecorder::Sent(TDispenserCommand command) {
  Write(leSent, CommandName(command), HexText(CommandFrame(command)), "");
}

void TSessionRecorder::Received(std::span<const std::uint8_t> block) {
  Write(leReceived, "", HexText(block), "");
}

void TSessionRecorder::Shown(const TReplyEffect& effect) {
  if (effect.Target == rtProgressBar2) return;
  Write(leShown, ReplyTargetName(effect.Target), "", effect.Text + DisplayText(effect.Raw));
}

void TSessionRecorder::Shown(std::string_view target, std::string_view text) {
  Write(leShown, target, "", text);
}

void TSessionRecorder::Reply(TDispenserCommand command,
                             std::chrono::duration<double, std::milli> time) {
  Write(leReply, CommandName(command), "", MillisecondsText(time, 2));
}

void TSessionRecorder::NoReply(TDispenserCommand command, std::chrono::milliseconds waited) {
  Write(leNoReply, CommandName(command), "", "none within " + MillisecondsText(waited));
}

void TSessionRecorder::Unmatched(std::span<const std::uint8_t> frame) {
  Write(leUnmatched, "", HexText(frame), "a reply no command waited for");
}

void TSessionRecorder::ReopenFailed(std::string_view port, std::string_view cause) {
  Write(leReopenFailed, port, "", cause);
}

void TSessionRecorder::Error(std::string_view message) {
  Write(leError, "", "", message);
}

void TSessionRecorder::Line(const TLineEvent& event) {
  Write(leLine, LineEventName(event.Kind), "", LineEventText(event));
}

std::string MillisecondsText(std::chrono::duration<double, std::milli> time, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f ms", decimals, time.count());
  return text;
}
