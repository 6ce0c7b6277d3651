#include "console/ReplyWatch.h"

#include <algorithm>
#include <cmath>

#include "platform/qt/Timer.h"

TReplyWatch::TReplyWatch(TComponent* owner, QLabel& panel, TSessionRecorder& recorder)
    : FPanel(panel), FStoredWidth(panel.width()), FRecorder(recorder), FTimer(new TTimer(owner)) {
  FTimer->SetName("ReplyTimeout");
  FTimer->SetEnabled(false);
  FTimer->SetInterval(static_cast<unsigned>(kTimeout.count()));
  FTimer->OnTimer = [this](TObject*) { TimedOut(); };
}

void TReplyWatch::Sent(TDispenserCommand command) {
  FAwaited = command;
  FSentAt = TReplyAssembler::TClock::now();
  FTimer->SetEnabled(false);  // counts from now
  FTimer->SetEnabled(true);
}

void TReplyWatch::Arrived(const TReplyBlock& block) {
  if (!FAwaited || block.Kind != rbFrame) return;
  const std::chrono::duration<double, std::milli> time = TReplyAssembler::TClock::now() - FSentAt;
  FTimer->SetEnabled(false);
  Show(QString("응답 %1 ms").arg(std::lround(time.count())));
  FRecorder.Reply(*FAwaited, time);
  FAwaited.reset();
}

// The panel is the status bar's last: it grows to the right, never
// narrower than stored, so that its text is never cut.
void TReplyWatch::Show(const QString& text) {
  FPanel.setText(text);
  FPanel.resize(std::max(FStoredWidth, FPanel.sizeHint().width()), FPanel.height());
}

void TReplyWatch::TimedOut() {
  FTimer->SetEnabled(false);
  if (!FAwaited) return;
  Show("응답 없음");
  FRecorder.NoReply(*FAwaited, kTimeout);
  FAwaited.reset();
}
