// The port engine's chief header: the port component TCustomComPort and its
// published form TComPort, with its settings objects, device configuration,
// transfers, links and errors.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Classes.h"
#include "platform/runtime/Messages.h"
#include "platform/serial/CommDevice.h"
#include "serial/CPortTypes.h"
#include "serial/ComErrors.h"
#include "serial/ComEvents.h"
#include "serial/ComLink.h"
#include "serial/ComSettings.h"

// The record of one pending overlapped transfer. Whoever creates it owns it
// and hands it, by the variable that holds it, to exactly one WriteAsync or
// ReadAsync and to WaitForAsync.
struct TAsyncRecord {
  comm::OVERLAPPED Overlapped;         // its event is manual-reset, created signalled
  TAsyncKind OpKind = akWrite;         // set when a transfer is started
  std::vector<std::uint8_t> SentData;  // a write's own copy of the bytes handed to it
  std::int32_t SentSize = 0;           // the length of SentData
  // The system error of a read that the device refused to start (0 when it
  // started); WaitForAsync reports it instead of waiting for a completion
  // that never comes.
  std::int32_t StartError = 0;
};
// The variable that owns a transfer's record.
using PAsyncRecord = std::unique_ptr<TAsyncRecord>;

// A new record in the variable: zeroed block with its own signalled event.
void CreateAsyncRecord(PAsyncRecord& record);
// Releases the record (its event and its data) and empties the variable.
void FreeAsyncRecord(PAsyncRecord& record);
// Prepares the record for a transfer of kind: its own copy of the bytes.
void FillAsyncRecord(TAsyncKind kind, const void* buffer, std::int32_t count, TAsyncRecord& record);

class TRegistry;
class TCustomIniFile;
class TComEventWait;

// The handler of a lost device: the report, code 21 with the system's
// error number.
using TComLostEvent = std::function<void(TObject* Sender, const EComPortExt& Error)>;

// The port component: a serial device, its settings, its events and its links.
class TCustomComPort : public TComponent {
 public:
  // A closed port on COM1 at 9600 8N1, owned by owner (may be nullptr).
  explicit TCustomComPort(TComponent* owner);
  ~TCustomComPort() override;
  std::string ClassName() const override { return "TCustomComPort"; }
  // Ends loading; opens the port if Connected was stored as true.
  void Loaded() override;

  // ---- Settings persistence -------------------------------------------
  // The settings of the groups in SettingGroups, under fixed keys and in a
  // fixed order, as their text forms or as integers. The registry forms work
  // in the key the caller opened; the ini forms in the section named after
  // this component. Every value read goes through its ordinary setter, so
  // an open port is reconfigured key by key. A failure of the store or of a
  // setter ends the operation at that key (see ComPersist.cpp).
  virtual void WriteSettingsToRegistry(TRegistry& registry);
  virtual void WriteSettingsToIniFile(TCustomIniFile& iniFile);
  virtual void ReadSettingsFromRegistry(TRegistry& registry);
  virtual void ReadSettingsFromIniFile(TCustomIniFile& iniFile);

  // ---- Device handle and configuration --------------------------------
  // Opens "\\.\" + Port exclusively for overlapped I/O; on failure writes
  // "CreateFile <device name>" to the debugger output and raises code 1.
  virtual void OpenDevice();
  // Closes the device handle if it is valid; the handle keeps its value.
  virtual void CloseDevice();
  // Buffer sizes, then line settings, then time-outs; the first failure
  // travels on.
  virtual void ApplySettings();
  // Each applies one group, and only while the port is open and not loading.
  virtual void ApplyLineSettings();     // the device control block; code 7
  virtual void ApplyTimeoutSettings();  // code 8
  virtual void ApplyBufferSizes();      // code 9

  // ---- Opening and closing --------------------------------------------
  // Opens the device, applies every setting, starts the event thread; raises EComPortExt on
  // failure.
  void Open();
  // Stops the event thread and closes the device; from any thread, also from a handler.
  void Close();

  // ---- Transfers and line status ----------------------------------------
  // Start a transfer with the record; the bytes transferred at once (0
  // while pending). The caller's buffer stays valid until WaitForAsync.
  std::int32_t WriteAsync(const void* buffer, std::int32_t count, PAsyncRecord& record);
  std::int32_t ReadAsync(void* buffer, std::int32_t count, PAsyncRecord& record);
  // Waits until the record's transfer has ended; the bytes transferred.
  std::int32_t WaitForAsync(PAsyncRecord& record);
  // Write and wait; read and wait. The device's time-outs end them.
  std::int32_t Write(const void* buffer, std::int32_t count);
  std::int32_t Read(void* buffer, std::int32_t count);
  // Ends every pending read and write at once; the queues keep their bytes.
  void AbortPendingIO();
  // The bytes waiting in the input queue. The line errors that the device
  // clears on the way are kept for ReadLineErrors.
  std::int32_t InputQueueCount();
  // The modem input lines that are on now.
  TModemSignals ModemSignals();
  // The line errors since the last call (clears them), with those kept by
  // InputQueueCount. A parity error is reported only when Parity.Check is on.
  TComErrors ReadLineErrors();

  // ---- Links ------------------------------------------------------------
  void RegisterLink(TComLink* link);    // code 18 if already registered
  void UnregisterLink(TComLink* link);  // code 18 if not registered
  // Whether a registered link has an OnRxBuf slot assigned.
  bool AnyRxBufLink() const;
  // The walks, in registration order; an unassigned slot is skipped.
  void NotifyLinks(TLinkNotice notice, bool onOff);  // conn, CTS, DSR, RLSD, rx, tx
  void NotifyLinksPlain(TLinkNotice notice);         // ring, tx empty, rx flag
  // Hands the bytes of a finished write to each link's OnTxData.
  void NotifyLinksTxData(const void* buffer, std::int32_t count);
  // The registered links, in registration order; whether one takes received bytes.
  const std::vector<TComLink*>& LinkList() const { return FLinkList; }
  bool RxBufLinked() const { return FRxBufLinked; }

  // ---- Properties -----------------------------------------------------
  // Whether the port is open; setting it opens or closes the port.
  bool Connected() const { return FConnected; }
  void SetConnected(bool value);
  // The line's rate (brCustom: CustomBaudRate). A line setting applies at once to an open port.
  TBaudRate BaudRate() const { return FBaudRate; }
  void SetBaudRate(TBaudRate value);
  // The rate in bits per second when BaudRate is brCustom.
  std::int32_t CustomBaudRate() const { return FCustomBaudRate; }
  void SetCustomBaudRate(std::int32_t value);
  // The device's name; changing it reopens an open port on the new device.
  const std::string& Port() const { return FPort; }
  void SetPort(const std::string& value);
  // The parity settings; SetParity copies them and applies them.
  TComParity& Parity() { return *FParity; }
  const TComParity& Parity() const { return *FParity; }
  void SetParity(const TComParity& value);
  // The stop bits of each character.
  TStopBits StopBits() const { return FStopBits; }
  void SetStopBits(TStopBits value);
  // The data bits of each character.
  TDataBits DataBits() const { return FDataBits; }
  void SetDataBits(TDataBits value);
  // Whether received NUL bytes are dropped.
  bool DiscardNull() const { return FDiscardNull; }
  void SetDiscardNull(bool value);
  // The character whose arrival raises OnRxFlag.
  char EventChar() const { return FEventChar; }
  void SetEventChar(char value);
  // Stored only: the device's event mask is set when the port opens.
  TComEvents Events() const { return FEvents; }
  void SetEvents(TComEvents value) { FEvents = value; }
  // The queue sizes; SetBuffer copies them and applies them.
  TComBuffer& Buffer() { return *FBuffer; }
  const TComBuffer& Buffer() const { return *FBuffer; }
  void SetBuffer(const TComBuffer& value);
  // The flow control; SetFlowControl copies it and applies it.
  TComFlowControl& FlowControl() { return *FFlowControl; }
  const TComFlowControl& FlowControl() const { return *FFlowControl; }
  void SetFlowControl(const TComFlowControl& value);
  // The read and write time-outs; SetTimeouts copies them and applies them.
  TComTimeouts& Timeouts() { return *FTimeouts; }
  const TComTimeouts& Timeouts() const { return *FTimeouts; }
  void SetTimeouts(const TComTimeouts& value);
  // How the event thread hands events to the handlers.
  TSyncMethod SyncMethod() const { return FSyncMethod; }
  void SetSyncMethod(TSyncMethod value);  // code 14 while open
  // With smThreadSync: the main thread's loop waits on the device itself
  // whenever it is idle and runs the handlers as each batch arrives, so that
  // a batch wakes the main thread alone and the port has no event thread.
  // Taken where the port is opened on the main thread and the program's
  // loop serves sources (the headless loop; Qt's); an event thread waits
  // otherwise. Stored only: it applies at the next Open.
  bool WaitInMainLoop() const { return FWaitInMainLoop; }
  void SetWaitInMainLoop(bool value) { FWaitInMainLoop = value; }
  // Whether the open port's wait is in the main thread's loop: false while
  // closed, and where WaitInMainLoop could not be met.
  bool WaitsInMainLoop() const;
  // The groups of settings that the settings stores read and write.
  TSettingGroups SettingGroups() const { return FSettingGroups; }
  void SetSettingGroups(TSettingGroups value) { FSettingGroups = value; }

  // The open device (the invalid handle while closed).
  const comm::Device& DeviceHandle() const { return FDeviceHandle; }

  // ---- Handlers (stored only; each is called only if assigned) ----------
  // After Open has opened the device and applied the settings.
  const TNotifyEvent& OnAfterOpen() const { return FOnAfterOpen; }
  void SetOnAfterOpen(TNotifyEvent handler) { FOnAfterOpen = std::move(handler); }
  // After Close has closed the device.
  const TNotifyEvent& OnAfterClose() const { return FOnAfterClose; }
  void SetOnAfterClose(TNotifyEvent handler) { FOnAfterClose = std::move(handler); }
  // Before Open touches the device.
  const TNotifyEvent& OnBeforeOpen() const { return FOnBeforeOpen; }
  void SetOnBeforeOpen(TNotifyEvent handler) { FOnBeforeOpen = std::move(handler); }
  // Before Close stops the event thread and closes the device.
  const TNotifyEvent& OnBeforeClose() const { return FOnBeforeClose; }
  void SetOnBeforeClose(TNotifyEvent handler) { FOnBeforeClose = std::move(handler); }
  // Bytes have arrived: how many wait in the input queue (Read takes them).
  const TRxCharEvent& OnRxChar() const { return FOnRxChar; }
  void SetOnRxChar(TRxCharEvent handler) { FOnRxChar = std::move(handler); }
  // Bytes have arrived, already read: the bytes themselves (instead of OnRxChar).
  const TRxBufEvent& OnRxBuf() const { return FOnRxBuf; }
  void SetOnRxBuf(TRxBufEvent handler) { FOnRxBuf = std::move(handler); }
  // The output queue has become empty.
  const TNotifyEvent& OnTxEmpty() const { return FOnTxEmpty; }
  void SetOnTxEmpty(TNotifyEvent handler) { FOnTxEmpty = std::move(handler); }
  // A break was received.
  const TNotifyEvent& OnBreak() const { return FOnBreak; }
  void SetOnBreak(TNotifyEvent handler) { FOnBreak = std::move(handler); }
  // A ring indication was received.
  const TNotifyEvent& OnRing() const { return FOnRing; }
  void SetOnRing(TNotifyEvent handler) { FOnRing = std::move(handler); }
  // The CTS line changed: its new level.
  const TComSignalEvent& OnCTSChange() const { return FOnCTSChange; }
  void SetOnCTSChange(TComSignalEvent handler) { FOnCTSChange = std::move(handler); }
  // The DSR line changed: its new level.
  const TComSignalEvent& OnDSRChange() const { return FOnDSRChange; }
  void SetOnDSRChange(TComSignalEvent handler) { FOnDSRChange = std::move(handler); }
  // The RLSD (carrier detect) line changed: its new level.
  const TComSignalEvent& OnRLSDChange() const { return FOnRLSDChange; }
  void SetOnRLSDChange(TComSignalEvent handler) { FOnRLSDChange = std::move(handler); }
  // The EventChar was received.
  const TNotifyEvent& OnRxFlag() const { return FOnRxFlag; }
  void SetOnRxFlag(TNotifyEvent handler) { FOnRxFlag = std::move(handler); }
  // The device reported line errors: which.
  const TComErrorEvent& OnError() const { return FOnError; }
  void SetOnError(TComErrorEvent handler) { FOnError = std::move(handler); }
  // The input queue is 80 % full.
  const TNotifyEvent& OnRx80Full() const { return FOnRx80Full; }
  void SetOnRx80Full(TNotifyEvent handler) { FOnRx80Full = std::move(handler); }
  // The open port's device went away (unplugged, hung up): called once per
  // loss, on the thread that owns the port, before the port closes itself
  // (Close, with its notifications). Not assigned, the report goes to the
  // application's exception display instead.
  const TComLostEvent& OnDeviceLost() const { return FOnDeviceLost; }
  void SetOnDeviceLost(TComLostEvent handler) { FOnDeviceLost = std::move(handler); }

 protected:
  // ---- Fire operations: each calls its handler, if assigned -------------
  virtual void FireAfterClose();
  virtual void FireAfterOpen();
  virtual void FireBeforeClose();
  virtual void FireBeforeOpen();
  virtual void FireRxChar(std::int32_t count);
  virtual void FireRxBuf(const void* buffer, std::int32_t count);
  virtual void FireTxEmpty();
  virtual void FireBreak();
  virtual void FireRing();
  virtual void FireRxFlag();
  virtual void FireCTSChange(bool onOff);
  virtual void FireDSRChange(bool onOff);
  virtual void FireError(TComErrors errors);
  virtual void FireRLSDChange(bool onOff);
  virtual void FireRx80Full();
  virtual void FireDeviceLost(const EComPortExt& error);

  // ---- Handle operations: one per event, links first, then the handler ---
  // The queue count goes to OnRxChar, or, with a buffer link, the bytes are
  // read once and handed to OnRxBuf of the port and of each buffer link.
  void HandleRxChar();
  // The other events the same way: the links, then the handler.
  void HandleTxEmpty();
  void HandleRxFlag();
  void HandleRing();
  void HandleBreak();
  // The signal's level as the device reports it now.
  void HandleCTSChange();
  void HandleDSRChange();
  void HandleRLSDChange();
  void HandleError();  // OnError only when the device reports errors
  // OnRx80Full, after the links.
  void HandleRx80Full();

  // ---- Open and close steps ----------------------------------------------
  // OnBeforeOpen.
  void NotifyBeforeOpen();
  void NotifyAfterOpen();    // lnConn on, OnAfterOpen, the three line levels
  void NotifyBeforeClose();  // the three lines off, OnBeforeClose
  void NotifyAfterClose();   // lnConn off, OnAfterClose
  // Open: the real CTS, DSR and RLSD levels, each to links then handler.
  // Closed: all three off to the links, then to the handlers.
  void ReportLineSignals(bool open);

  // The hidden window's procedure (window sync): one event per message.
  void NotifyWindowProc(TMessage& message);

 private:
  // The handle operation of one event.
  void HandleEvent(TComEvent event);
  // Stops and frees the event thread and the hidden window.
  void ReleaseEventWait();
  // The event thread found the device gone: OnDeviceLost, or the
  // application's exception display; then, unless that closed the port,
  // CloseLost closes it. Neither raises.
  void DeviceLost(const EComPortExt& error);
  void CloseLost();
  // Close's claim: false when the port is closed, or is being closed on this
  // thread already (a handler that closes it while it closes). A close under
  // way on another thread is waited for (on the main thread with its loop
  // served), except on an event thread, which that close may be waiting for.
  bool BeginClose();
  void EndClose();

  // EComPortExt with this port's name, the code and the system error (the
  // last one by default). One that says the device is gone is noted: the
  // port's own device calls alone may declare it lost.
  [[noreturn]] void RaiseSystemError(std::int32_t code) const;
  [[noreturn]] void RaiseSystemError(std::int32_t code, std::int32_t systemError) const;
  bool CanApply() const;  // open and not loading
  comm::DCB BuildDCB() const;
  comm::COMSTAT ClearCommError(comm::DWORD& errors);
  template <typename T>
  void SetLineSetting(T& field, T value);
  template <typename Slot, typename... Args>
  void WalkLinks(Slot TComLink::*slot, Args... args);
  // Closes for destruction: never raises, always leaves the device closed.
  void Shutdown();

  comm::Device FDeviceHandle;
  std::unique_ptr<TComEventWait> FEventWait;
  bool FEventWaitRunning = false;
  TWindowHandle FNotifyWindow = nullptr;
  // The thread whose Close is under way (none while no close is).
  std::mutex FCloseLock;
  std::condition_variable FCloseEnded;
  std::thread::id FClosingThread;
  bool FMainWaitsForClose = false;
  // The error with which one of the port's own device calls found the device
  // gone since it opened; 0 if none. Handlers on any thread set it.
  mutable std::atomic<std::int32_t> FOwnDeviceGone{0};
  // The device's error flags that InputQueueCount cleared since the last
  // ReadLineErrors; both may run on the main and the event thread at once.
  comm::DWORD FKeptLineErrors = 0;
  std::mutex FLineStatusLock;
  std::vector<TComLink*> FLinkList;  // registered links, not owned
  bool FRxBufLinked = false;

  std::atomic<bool> FConnected{false};
  TBaudRate FBaudRate = br9600;
  std::int32_t FCustomBaudRate = 9600;
  std::string FPort = "COM1";
  TStopBits FStopBits = sbOneStopBit;
  TDataBits FDataBits = dbEight;
  bool FDiscardNull = false;
  char FEventChar = 0;
  TComEvents FEvents = TComEvents::All();
  TSyncMethod FSyncMethod = smThreadSync;
  bool FWaitInMainLoop = false;
  TSettingGroups FSettingGroups{sgMain};
  std::unique_ptr<TComParity> FParity;
  std::unique_ptr<TComFlowControl> FFlowControl;
  std::unique_ptr<TComTimeouts> FTimeouts;
  std::unique_ptr<TComBuffer> FBuffer;

  TNotifyEvent FOnAfterOpen, FOnAfterClose, FOnBeforeOpen, FOnBeforeClose;
  TRxCharEvent FOnRxChar;
  TRxBufEvent FOnRxBuf;
  TNotifyEvent FOnTxEmpty, FOnBreak, FOnRing;
  TComSignalEvent FOnCTSChange, FOnDSRChange, FOnRLSDChange;
  TNotifyEvent FOnRxFlag;
  TComErrorEvent FOnError;
  TNotifyEvent FOnRx80Full;
  TComLostEvent FOnDeviceLost;
};

// The port component as the console places it on its window.
class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
  std::string ClassName() const override { return "TComPort"; }
};

// Writes count bytes to the port and waits: the result of port.Write.
std::int32_t PortWrite(TCustomComPort& port, const void* buffer, std::int32_t count);

// ---- Text forms of the settings and the list of serial ports -------------
#include "serial/ComPortList.h"
#include "serial/ComText.h"
