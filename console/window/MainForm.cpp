#include "console/window/MainForm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTime>

#include <algorithm>
#include <vector>

#include "console/protocol/DispenserLine.h"
#include "console/protocol/ReceivedText.h"
#include "console/session/PortSettingsText.h"
#include "console/session/StoredSettings.h"
#include "console/simulator/SimPortName.h"
#include "console/widgets/Anchors.h"
#include "console/widgets/FormControls.h"
#include "console/window/AboutBox.h"
#include "console/window/PortRecovery.h"
#include "console/window/StatusTexts.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/runtime/Application.h"
#include "platform/serial/OpenFailure.h"
#include "ui_MainForm.h"

namespace {

constexpr const char* kOpenPortFirst = "포트를 먼저 열어주세요";

// Com1's settings as the layout stores them.
void SetStoredPortSettings(TCustomComPort& port) {
  port.SetPort("COM1");
  SetDispenserLine(port);
}

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

TConsoleOptions& TForm1::StartOptions() {
  static TConsoleOptions options;
  return options;
}

TForm1::TForm1(TComponent* owner) : TForm1(owner, StartOptions()) {}

// Loading as a stored window loads: the components and their stored
// properties first, then the references between them, then every
// component's Loaded, then the creation handler.
TForm1::TForm1(TComponent* owner, const TConsoleOptions& options)
    : QWidget(nullptr), TComponent(owner), ui(std::make_unique<Ui::TForm1>()) {
  SetName("Form1");
  BeginLoading();
  SubstituteTahoma();
  CreateStoredComponents();
  ui->setupUi(this);
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label->parentWidget() != ui->StBar1) label->adjustSize();  // labels fit their captions
  }
  new TAnchorKeeper(*this);
  ui->Memo1->SetMaxLines(kLogLines);
  StartWindowLog(FRecorder, options, [this](const QString& line) { AddLogLine(line); });
  FShownErrors = std::make_unique<TShownErrors>(FRecorder);
  RestoreSettings();
  if (!options.Port.empty()) Com1->SetPort(options.Port);
  KeepPortListed();
  BindStoredPorts();
  ConnectHandlers();
  FLineSummaries.setSingleShot(true);
  FLineEvents = std::make_unique<TLineEventWatch>(
      *Com1, [this](const TLineEvent& event) { ShowLineEvent(event); },
      [this](std::optional<TLineEventWatch::TClock::time_point> at) {
        if (!at) return FLineSummaries.stop();
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(*at - TLineEventWatch::TClock::now());
        FLineSummaries.start(std::max<std::chrono::milliseconds>(wait, {}));
      });
  connect(&FLineSummaries, &QTimer::timeout, this,
          Guarded(this, [this] { FLineEvents->AlarmRang(); }));
  FReplyWatch = std::make_unique<TReplyWatch>(this, ui->StBar1->Panel(3), FRecorder);
  FReplies = std::make_unique<TReplyReception>(
      this, [this](const TReplyBlock& block) { ApplyReply(block); },
      [this](const TReplyBlock& block) { FReplyWatch->Arrived(block); });
  PortRecovery = new TPortRecovery(
      *Com1, [this] { ReopenLostPort(); },
      [this](const std::exception& error, std::optional<std::chrono::milliseconds> nextTry) {
        ShowReopenFailure(error, nextTry);
      },
      *this);
  for (int i = 0; i < ComponentCount(); ++i) Components(i)->Loaded();
  Loaded();
  FormCreate(this);
}

TForm1::~TForm1() {
  Com1->SetOnRxChar(nullptr);
  FLineEvents.reset();
  Com1->SetOnDeviceLost([](TObject*, const EComPortExt&) {});  // nothing left to tell it
  DestroyComponents();
}

void TForm1::CreateStoredComponents() {
  Com1 = new TComPort(this);
  Com1->SetName("Com1");
  Com1->BeginLoading();
  SetStoredPortSettings(*Com1);
  Com1->SetEvents(TComEvents::All());
  // The window's loop waits on the device itself: a reply wakes the window's
  // thread alone.
  Com1->SetWaitInMainLoop(true);
  Com1->SetOnRxChar([this](TObject* sender, std::int32_t count) { Com1RxChar(sender, count); });
  Com1->SetOnDeviceLost(
      [this](TObject* sender, const EComPortExt& error) { Com1DeviceLost(sender, error); });
  Com1->SetConnected(false);

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->BeginLoading();
  Timer1->SetInterval(10);
  Timer1->SetEnabled(true);
  Timer1->OnTimer = [this](TObject* sender) { Timer1Timer(sender); };
}

// The port Com1 opens is always one of the device selector's items, so that
// the selector, and the status bar that names the port by it, show it even
// when the machine does not list it (a pseudo-terminal, a name given on the
// command line). The virtual dispenser SIM comes last.
void TForm1::KeepPortListed() {
  TStrings& ports = ui->ComComboBox5->Items();
  if (ports.IndexOf(Com1->Port()) < 0 && Com1->Port() != kSimPortName) ports.Add(Com1->Port());
  ports.Add(std::string(kSimPortName));
}

void TForm1::BindStoredPorts() {
  for (auto* selector : findChildren<TFormComComboBox*>()) selector->BindStoredPort();
  for (auto* led : findChildren<TFormComLed*>()) led->BindStoredPort();
}

void TForm1::ConnectHandlers() {
  using THandler = void (TForm1::*)(TObject*);
  const std::vector<std::pair<QPushButton*, THandler>> clicks = {
      {ui->Button2, &TForm1::Button2Click},     {ui->Button3, &TForm1::Button3Click},
      {ui->Button4, &TForm1::Button4Click},     {ui->Button5, &TForm1::Button5Click},
      {ui->Button6, &TForm1::Button6Click},     {ui->Button7, &TForm1::Button7Click},
      {ui->cntclear, &TForm1::cntclearClick},   {ui->errclear, &TForm1::errclearClick},
      {ui->cnterrclr, &TForm1::cnterrclrClick}, {ui->btnhold, &TForm1::btnholdClick},
      {ui->state, &TForm1::stateClick},         {ui->Button17, &TForm1::Button17Click},
      {ui->Button1, &TForm1::Button1Click},
  };
  for (const auto& [button, handler] : clicks) {
    connect(button, &QPushButton::clicked, this,
            Guarded(this, [this, handler = handler] { (this->*handler)(this); }));
  }
  // After the selector's own handling of the pick (connected first).
  connect(ui->ComComboBox5, &QComboBox::activated, this, Guarded(this, [this] { PortPicked(); }));
  AddAboutEntry(*ui->Memo1, [this](QMenu& menu) { AddLogEntries(menu, *ui->Memo1, FRecorder); });
  Com1->SetOnAfterOpen(
      [this](TObject*) { FRecorder.Opened(Com1->Port(), PortSettingsText(*Com1)); });
  Com1->SetOnAfterClose([this](TObject*) { FRecorder.Closed(Com1->Port()); });
  // The list read again as it opens keeps the port Com1 opens.
  ui->ComComboBox5->SetOnDropDown([this](TObject*) {
    KeepPortListed();
    ui->ComComboBox5->ShowPortValue();
  });
}

void TForm1::RestoreSettings() {
  const TRestoreResult restored = RestorePortSettings(*Com1, SetStoredPortSettings);
  switch (restored.Outcome) {
    case roRestored:
      FRecorder.Note("settings of the last run: " + Com1->Port() + ", " + PortSettingsText(*Com1));
      break;
    case roNothingStored:
      FRecorder.Note("no settings stored yet: the layout's are used");
      break;
    case roDamaged:
      AddLogLine("저장된 설정을 읽을 수 없어 기본 설정을 사용합니다: " +
                 QString::fromStdString(restored.Problem));
      break;
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  try {
    StorePortSettings(*Com1);
  } catch (const std::exception& error) {
    FRecorder.Error(std::string("the settings could not be stored: ") + error.what());
    AddLogLine(QString::fromUtf8("설정을 저장할 수 없습니다: ") + QString::fromUtf8(error.what()));
  }
  QWidget::closeEvent(event);
}

void TForm1::AddLogLine(const QString& line) {
  ui->Memo1->AddLine(line);
  FRecorder.Shown("Memo1", line.toStdString());
}

void TForm1::ShowLineEvent(const TLineEvent& event) {
  ui->Memo1->AddLine(Timed(QString::fromUtf8("line: ") + Text(LineEventText(event))));
  FRecorder.Line(event);
}

// ---- Opening and closing ------------------------------------------------------

void TForm1::FormCreate(TObject*) {
  ProgressBar3 = new TProgressBar(ui->StBar1);
  ProgressBar3->setValue(0);
  ProgressBar3->hide();
}

void TForm1::StartStatusAnimation() {
  ProgressBar3->show();
  // Over panels 0 to 2 (200 + 100 + 50). Qt's bars are drawn smooth already.
  ProgressBar3->setGeometry(0, ProgressBar3->y(), 350, 20);
  Timer1->SetEnabled(true);
}

void TForm1::Timer1Timer(TObject*) {
  if (ProgressBar3 == nullptr) return;  // a tick before FormCreate
  if (ProgressBar3->value() < ProgressBar3->maximum()) {
    ProgressBar3->StepIt();
  } else {
    Timer1->SetEnabled(false);
    ProgressBar3->setValue(0);
    ProgressBar3->hide();
  }
}

void TForm1::ShowStatus(const char* outcome, const char* state) {
  ui->StBar1->Panel(0).setText(QString::fromUtf8(outcome));
  ui->StBar1->Panel(1).setText("Port" + QString::fromStdString(ui->ComComboBox5->Text()));
  ui->StBar1->Panel(2).setText(QString::fromUtf8(state));
  ui->StBar1->Panel(0).setToolTip({});
}

void TForm1::Button2Click(TObject*) {
  PortRecovery->Cancel();
  StartStatusAnimation();
  try {
    Com1->Open();
    Com1->SetConnected(true);
    ShowStatus(kOpened, kOn);
  } catch (const std::exception& error) {
    FRecorder.Error("Open COM " + Com1->Port() + ": " + error.what());
    ShowStatus(kInitFailed, kStandingBy);
    ShowOpenFailure(error);
  }
}

void TForm1::Button3Click(TObject*) {
  PortRecovery->Cancel();
  Com1->Close();
  StartStatusAnimation();
  try {
    Com1->SetConnected(false);
    ShowStatus(kClosed, kStandingBy);
  } catch (const std::exception&) {
    ShowStatus(kProblem, kOn);
  }
}

void TForm1::Button4Click(TObject*) {
  Com1->Close();
  close();
}

void TForm1::PortPicked() {
  PortRecovery->Cancel();
  if (ui->StBar1->Panel(2).text() != kOn) return;
  if (Com1->Connected()) {
    ShowStatus(kOpened, kOn);
  } else {
    ShowStatus(kInitFailed, kStandingBy);
  }
}

// ---- Commands ---------------------------------------------------------------------

void TForm1::SendCommand(TDispenserCommand command, const char* logLine) {
  if (!Com1->Connected()) {
    FRecorder.Shown("dialog", kOpenPortFirst);
    ShowMessage(kOpenPortFirst);
    return;
  }
  const TFrame& frame = CommandFrame(command);
  PortWrite(*Com1, frame.data(), static_cast<std::int32_t>(frame.size()));
  const auto written = std::chrono::steady_clock::now();
  FRecorder.Sent(command);
  FReplyWatch->Sent(command, written);
  ui->ProgressBar1->StepIt();
  ++FSendCount;
  ui->Edit9->setText(QString::number(FSendCount));
  if (logLine != nullptr) AddLogLine(QString::fromUtf8(logLine));
}

void TForm1::Button5Click(TObject*) {
  SendCommand(dcDispense);
}
void TForm1::Button6Click(TObject*) {
  SendCommand(dcCountQuery);
}
void TForm1::Button7Click(TObject*) {
  SendCommand(dcButtonHoldOff, "버튼홀딩이 해제 됐습니다.");
}
void TForm1::cntclearClick(TObject*) {
  SendCommand(dcCountClear, "카운터가 클리어 됐습니다.");
}
void TForm1::errclearClick(TObject*) {
  SendCommand(dcErrorClear, "에러가 클리어 됐습니다.");
}
void TForm1::cnterrclrClick(TObject*) {
  SendCommand(dcCountErrorClear, "카운터와 에러가 클리어 됐습니다.");
}
void TForm1::btnholdClick(TObject*) {
  SendCommand(dcButtonHoldOn, "버튼이 홀딩 됐습니다.");
}
void TForm1::stateClick(TObject*) {
  SendCommand(dcStateQuery);
}

void TForm1::Button17Click(TObject*) {
  ui->ProgressBar1->setValue(0);
  ui->Edit9->setText("0");
}

void TForm1::Button1Click(TObject*) {
  ui->Memo1->ClearLines();
  ui->ProgressBar2->setValue(0);
}

// ---- Replies ------------------------------------------------------------------------

void TForm1::Com1RxChar(TObject*, std::int32_t Count) {
  if (Count <= 0) return;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(Count), 0);
  // Only what the read returned goes on: a short read must not hand on zeros.
  buffer.resize(static_cast<std::size_t>(std::max(Com1->Read(buffer.data(), Count), 0)));
  if (buffer.empty()) return;
  const auto readAt = std::chrono::steady_clock::now();
  FRecorder.Received(buffer);
  FReplies->Receive(buffer, readAt);
}

void TForm1::ApplyReply(const TReplyBlock& block) {
  const TDecodedReply reply = DecodeReplyBlock(block);
  for (const TReplyEffect& effect : reply.Effects) ApplyEffect(effect);
  if (reply.Failure) throw reply.Failure->Error;
}

void TForm1::ApplyEffect(const TReplyEffect& effect) {
  FRecorder.Shown(effect);  // before a dialog holds the window
  const QString text = QString::fromStdString(effect.Text + DisplayText(effect.Raw));
  switch (effect.Target) {
    case rtEdit3:
      ui->Edit3->setText(text);
      break;
    case rtMemo1:
      ui->Memo1->AddLine(text);
      break;
    case rtEdit2:
      ui->Edit2->setText(text);
      break;
    case rtEdit1:
      ui->Edit1->setText(text);
      break;
    case rtDialog:
      ShowMessage(text.toStdString());
      break;
    case rtProgressBar2:
      ui->ProgressBar2->StepIt();
      break;
  }
}

// The window when its port fails: why Open COM failed, the device lost
// while the port was open, and the port reopened once the device is back.
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
