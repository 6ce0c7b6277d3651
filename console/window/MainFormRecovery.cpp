// The window when its port fails: why Open COM failed, the device lost
// while the port was open, and the port reopened once the device is back.
#include <QLabel>
#include <QTime>

#include "console/window/MainForm.h"
#include "console/window/PortRecovery.h"
#include "console/window/StatusTexts.h"
#include "platform/serial/OpenFailure.h"
#include "ui_MainForm.h"

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// A line of the log after the time of day: "[14:03:27] text".
QString Timed(const QString& line) {
  return QTime::currentTime().toString("[HH:mm:ss] ") + line;
}

// Why opening `port` failed, in plain words.
std::string OpenFailureText(const std::string& port, const std::exception& error) {
  const auto* portError = dynamic_cast<const EComPortExt*>(&error);
  std::string cause = error.what();
  if (portError != nullptr && portError->ErrorCode() == ecOpenFailed) {
    cause = comm::OpenFailureCause(port, portError->SystemErrorCode());
  } else if (portError != nullptr) {
    cause += " (" + comm::SystemErrorText(portError->SystemErrorCode()) + ")";
  }
  return cause;
}

}  // namespace

void TForm1::ShowOpenFailure(const std::exception& error) {
  const std::string cause = OpenFailureText(Com1->Port(), error);
  ui->StBar1->Panel(0).setToolTip(Text(cause));
  AddLogLine(Timed(QString::fromUtf8("포트를 열 수 없습니다: ") + Text(cause)));
}

void TForm1::Com1DeviceLost(TObject*, const EComPortExt& Error) {
  FRecorder.Lost(Com1->Port(), Error.what());
  ShowStatus(kDeviceLost, kStandingBy);
  const QString what =
      Text(Com1->Port() + " (" + comm::SystemErrorText(Error.SystemErrorCode()) + ")");
  ui->StBar1->Panel(0).setToolTip(Text(Error.what()));
  const std::int32_t watchError = PortRecovery->DeviceLost();
  QString line = QString::fromUtf8("장치 연결이 끊어졌습니다: ") + what;
  if (PortRecovery->Waiting()) line += QString::fromUtf8(" 장치가 돌아오면 다시 엽니다.");
  AddLogLine(Timed(line));
  if (watchError != 0) {
    AddLogLine(Timed(QString::fromUtf8("장치가 돌아와도 다시 열 수 없습니다: ") +
                     Text(comm::SystemErrorText(watchError))));
  }
}

void TForm1::ReopenLostPort() {
  Com1->Open();
  StartStatusAnimation();
  ShowStatus(kOpened, kOn);
  AddLogLine(Timed(QString::fromUtf8("장치가 다시 연결되었습니다: ") + Text(Com1->Port())));
}

void TForm1::ShowReopenFailure(const std::exception& error,
                               std::optional<std::chrono::milliseconds> nextTry) {
  const std::string cause = OpenFailureText(Com1->Port(), error);
  FRecorder.ReopenFailed(Com1->Port(), cause);
  const QString when = nextTry
                           ? QString::fromUtf8("%1 ms 후에 다시 시도합니다.").arg(nextTry->count())
                           : QString::fromUtf8("장치에 변화가 있으면 다시 시도합니다.");
  AddLogLine(Timed(QString::fromUtf8("장치를 다시 열 수 없습니다: ") + Text(cause) + ". " + when));
}
