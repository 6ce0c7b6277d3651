#include "console/window/ReplyWatch.h"

#include <algorithm>
#include <cmath>

#include "platform/qt/Timer.h"

TReplyWatch::TReplyWatch(TComponent* owner, QLabel& panel, TSessionRecorder& recorder)
    : FPanel(panel), FStoredWidth(panel.width()), FRecorder(recorder), FTimer(new TTimer(owner)) {
  FTimer->SetName("ReplyTimeout");
  FTimer->SetEnabled(false);
  FTimer->OnTimer = [this](TObject*) { TimedOut(); };
}

void TReplyWatch::Sent(TDispenserCommand command, TClock::time_point writtenAt) {
  FAwaited.push_back({command, writtenAt});
  if (FAwaited.size() == 1) Rearm();
}

void TReplyWatch::Arrived(const TReplyBlock& block) {
  if (block.Kind == rbJunk) return;
  const auto answered = std::find_if(FAwaited.begin(), FAwaited.end(), [&](const TAwaited& a) {
    return AnswersCommand(block, a.Command);
  });
  if (answered == FAwaited.end()) {
    FRecorder.Unmatched(block.Bytes);
    return;
  }
  if (block.Kind == rbIncomplete) {
    // A reply cut off is none: the command's time-out, now.
    Show("응답 없음");
    FRecorder.NoReply(answered->Command, kTimeout);
    FAwaited.erase(answered);
    return Rearm();
  }
  const std::chrono::duration<double, std::milli> time = block.LastByteAt - answered->SentAt;
  Show(QString("응답 %1 ms").arg(std::lround(time.count())));
  FRecorder.Reply(answered->Command, time);
  FAwaited.erase(answered);
  Rearm();
}

// The panel is the status bar's last: it grows to the right, never
// narrower than stored, so that its text is never cut.
void TReplyWatch::Show(const QString& text) {
  FPanel.setText(text);
  FPanel.resize(std::max(FStoredWidth, FPanel.sizeHint().width()), FPanel.height());
}

void TReplyWatch::TimedOut() {
  const TClock::time_point now = TClock::now();
  while (!FAwaited.empty() && now - FAwaited.front().SentAt >= kTimeout) {
    Show("응답 없음");
    FRecorder.NoReply(FAwaited.front().Command, kTimeout);
    FAwaited.pop_front();
  }
  Rearm();
}

void TReplyWatch::Rearm() {
  FTimer->SetEnabled(false);
  if (FAwaited.empty()) return;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(FAwaited.front().SentAt +
                                                                 kTimeout - TClock::now());
  FTimer->SetInterval(static_cast<unsigned>(std::max<std::int64_t>(left.count(), 1)));
  FTimer->SetEnabled(true);
}
