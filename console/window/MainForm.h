// TForm1: the console's main window. Its controls are the stored layout of
// MainForm.ui; its port Com1 and timer Timer1 are created here with their
// stored settings. The handlers send the protocol's fixed frames and apply
// the effects the reply decoder computes; they hold no protocol of their own.
#pragma once

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/ReplyDecoder.h"
#include "console/session/LineEventWatch.h"
#include "console/session/SessionRecorder.h"
#include "console/window/ConsoleOptions.h"
#include "console/window/LogFileAndMenu.h"
#include "console/window/ReplyReception.h"
#include "console/window/ReplyWatch.h"
#include "platform/qt/Timer.h"
#include "serial/CPort.h"

namespace Ui {
class TForm1;
}
class TProgressBar;
class TPortRecovery;

class TForm1 : public QWidget, public TComponent {
  Q_OBJECT

 public:
  // Builds the window as stored, then runs FormCreate. The first form takes
  // the command line's options (StartOptions); the second form lets a
  // caller give its own.
  explicit TForm1(TComponent* owner);
  TForm1(TComponent* owner, const TConsoleOptions& options);
  // Closes the port while the window is still whole; received bytes are no
  // longer shown by then.
  ~TForm1() override;
  std::string ClassName() const override { return "TForm1"; }

  // The options of the program's command line (set by main).
  static TConsoleOptions& StartOptions();

  // ---- Handlers -------------------------------------------------------------
  void FormCreate(TObject* Sender);
  void Button2Click(TObject* Sender);  // Open COM
  void Button3Click(TObject* Sender);  // Close COM
  void Button4Click(TObject* Sender);  // exit: close the port, then the window
  void Button5Click(TObject* Sender);  // the eight commands
  void Button6Click(TObject* Sender);
  void Button7Click(TObject* Sender);
  void cntclearClick(TObject* Sender);
  void errclearClick(TObject* Sender);
  void cnterrclrClick(TObject* Sender);
  void btnholdClick(TObject* Sender);
  void stateClick(TObject* Sender);
  void Button17Click(TObject* Sender);  // Send Clear
  void Button1Click(TObject* Sender);   // Clear
  void Timer1Timer(TObject* Sender);
  // Reads the Count bytes waiting and hands them to the reply reception,
  // which applies each reply frame's decoded effects in order; a reply whose
  // count is not a number raises the conversion error after the effects
  // before it.
  void Com1RxChar(TObject* Sender, std::int32_t Count);
  // The port's device is gone (the port closes right after): the status bar
  // and the log say so, and the port waits for the device to come back.
  void Com1DeviceLost(TObject* Sender, const EComPortExt& Error);

  // ---- Components that are not part of the layout ---------------------------
  TComPort* Com1 = nullptr;
  TTimer* Timer1 = nullptr;
  TProgressBar* ProgressBar3 = nullptr;   // created by FormCreate in StBar1
  TPortRecovery* PortRecovery = nullptr;  // reconnecting after a loss

  // Command frames written since the window was created.
  std::int32_t SendCount() const { return FSendCount; }

  // The most lines the reply log keeps; older ones leave it (the session
  // log file keeps everything).
  static constexpr int kLogLines = 5000;

 protected:
  // Stores Com1's settings for the next start.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateStoredComponents();
  void KeepPortListed();
  void BindStoredPorts();
  void ConnectHandlers();
  // Com1's settings from the last run, or the layout's; the session log
  // says which, and a store that cannot be read is a line of the reply log.
  void RestoreSettings();
  // A line of the window's own in the reply log, recorded in the session log.
  void AddLogLine(const QString& line);
  // A break, line error or modem-line change (or a burst's summary): a line
  // in the reply log, a line event in the session log.
  void ShowLineEvent(const TLineEvent& event);

  // Writes the command's frame and counts it; the log line, if any, follows.
  void SendCommand(TDispenserCommand command, const char* logLine = nullptr);
  void StartStatusAnimation();
  // Panel 0 the outcome, panel 1 "Port" and the device selector's text,
  // panel 2 the state.
  void ShowStatus(const char* outcome, const char* state);
  // After an operator's pick of a port: the status bar that says the port is
  // open names the port now open, or says that opening it failed.
  void PortPicked();
  // One reply block's effects, in order; raises a count's conversion error
  // after them.
  void ApplyReply(const TReplyBlock& block);
  void ApplyEffect(const TReplyEffect& effect);
  // Why Open COM failed: a log line and the tool tip of panel 0.
  void ShowOpenFailure(const std::exception& error);
  // Opens the port after its device came back; raises what opening raises.
  void ReopenLostPort();
  // Why reopening failed, and when the next try comes (none: at the next
  // change of the device): a log line, and a line of the session log.
  void ShowReopenFailure(const std::exception& error,
                         std::optional<std::chrono::milliseconds> nextTry);

  std::unique_ptr<Ui::TForm1> ui;
  TSessionRecorder FRecorder;
  std::unique_ptr<TShownErrors> FShownErrors;
  std::unique_ptr<TReplyWatch> FReplyWatch;
  std::unique_ptr<TReplyReception> FReplies;
  QTimer FLineSummaries;  // rings when a burst of line events is to be summed up
  std::unique_ptr<TLineEventWatch> FLineEvents;
  std::int32_t FSendCount = 0;
};
