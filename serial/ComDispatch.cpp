// What the port does with each event: the handle operations (links first,
// then the published handler), the fire operations, the hidden window's
// procedure, and the notifications of opening and closing.
#include "platform/runtime/Application.h"
#include "serial/CPort.h"
#include "serial/ComEvents.h"

void TCustomComPort::HandleEvent(TComEvent event) {
  switch (event) {
    case evRxChar:
      return HandleRxChar();
    case evTxEmpty:
      return HandleTxEmpty();
    case evRxFlag:
      return HandleRxFlag();
    case evRing:
      return HandleRing();
    case evBreak:
      return HandleBreak();
    case evCTS:
      return HandleCTSChange();
    case evDSR:
      return HandleDSRChange();
    case evError:
      return HandleError();
    case evRLSD:
      return HandleRLSDChange();
    case evRx80Full:
      return HandleRx80Full();
  }
}

// Hidden window --------------------------------------------------------------

void TCustomComPort::NotifyWindowProc(TMessage& message) {
  if (message.Msg != WM_COMEVENT) {
    message.Result = DefWindowProcA(FNotifyWindow, message.Msg, message.WParam, message.LParam);
    return;
  }
  try {
    // Release the event thread before the handler runs.
    if (InSendMessage()) ReplyMessage(0);
    if (!FConnected) return;
    for (TComEvent event : kEventHandlingOrder) {
      if (EventToFlag(event) == message.WParam) return HandleEvent(event);
    }
  } catch (const EComPortExt& error) {
    // This port's device gone is reported once, by the event thread, which
    // finds it at its next wait; another port's is shown as any error.
    if (!comm::IsDeviceGoneError(error.SystemErrorCode()) || FOwnDeviceGone == 0) {
      ReportException(this);
    }
  } catch (...) {
    ReportException(this);
  }
}

// Handle operations -------------------------------------------------------------

void TCustomComPort::HandleRxChar() {
  std::int32_t count = InputQueueCount();
  if (count > 0) NotifyLinks(lnRx, true);
  if (count > 0 && FRxBufLinked) {
    // The bytes are read once and handed to the port's OnRxBuf and to every
    // buffer link, each with the queue count; OnRxChar is then not called.
    std::vector<std::uint8_t> buffer;
    for (std::size_t i = 0; i < FLinkList.size(); ++i) {
      const TRxBufEvent slot = FLinkList[i]->OnRxBuf;
      if (!slot) continue;
      if (buffer.empty()) {
        buffer.resize(static_cast<std::size_t>(count));
        Read(buffer.data(), count);
        FireRxBuf(buffer.data(), count);
      }
      slot(this, buffer.data(), count);
    }
    if (!buffer.empty()) count = 0;
  }
  if (count > 0) FireRxChar(count);
}

void TCustomComPort::HandleTxEmpty() {
  NotifyLinks(lnTx, false);
  NotifyLinksPlain(lnTxEmpty);
  FireTxEmpty();
}

void TCustomComPort::HandleRxFlag() {
  NotifyLinksPlain(lnRxFlag);
  FireRxFlag();
}

void TCustomComPort::HandleRing() {
  NotifyLinksPlain(lnRing);
  FireRing();
}

void TCustomComPort::HandleBreak() {
  FireBreak();
}

void TCustomComPort::HandleCTSChange() {
  const bool on = ModemSignals().Contains(msCTS);
  NotifyLinks(lnCTS, on);
  FireCTSChange(on);
}

void TCustomComPort::HandleDSRChange() {
  const bool on = ModemSignals().Contains(msDSR);
  NotifyLinks(lnDSR, on);
  FireDSRChange(on);
}

void TCustomComPort::HandleRLSDChange() {
  const bool on = ModemSignals().Contains(msRLSD);
  NotifyLinks(lnRLSD, on);
  FireRLSDChange(on);
}

void TCustomComPort::HandleError() {
  const TComErrors errors = ReadLineErrors();
  if (!errors.Empty()) FireError(errors);
}

void TCustomComPort::HandleRx80Full() {
  FireRx80Full();
}

// Opening and closing steps -----------------------------------------------------

void TCustomComPort::NotifyBeforeOpen() {
  FireBeforeOpen();
}

void TCustomComPort::NotifyAfterOpen() {
  NotifyLinks(lnConn, true);
  FireAfterOpen();
  ReportLineSignals(true);
}

void TCustomComPort::NotifyBeforeClose() {
  ReportLineSignals(false);
  FireBeforeClose();
}

void TCustomComPort::NotifyAfterClose() {
  NotifyLinks(lnConn, false);
  FireAfterClose();
}

void TCustomComPort::ReportLineSignals(bool open) {
  if (open) {
    HandleCTSChange();
    HandleDSRChange();
    HandleRLSDChange();
    return;
  }
  NotifyLinks(lnCTS, false);
  NotifyLinks(lnDSR, false);
  NotifyLinks(lnRLSD, false);
  FireCTSChange(false);
  FireDSRChange(false);
  FireRLSDChange(false);
}

// Fire operations: a copy of the handler is called, so that a handler may
// replace itself.
void TCustomComPort::FireAfterClose() {
  if (auto handler = FOnAfterClose) handler(this);
}
void TCustomComPort::FireAfterOpen() {
  if (auto handler = FOnAfterOpen) handler(this);
}
void TCustomComPort::FireBeforeClose() {
  if (auto handler = FOnBeforeClose) handler(this);
}
void TCustomComPort::FireBeforeOpen() {
  if (auto handler = FOnBeforeOpen) handler(this);
}
void TCustomComPort::FireRxChar(std::int32_t count) {
  if (auto handler = FOnRxChar) handler(this, count);
}
void TCustomComPort::FireRxBuf(const void* buffer, std::int32_t count) {
  if (auto handler = FOnRxBuf) handler(this, buffer, count);
}
void TCustomComPort::FireTxEmpty() {
  if (auto handler = FOnTxEmpty) handler(this);
}
void TCustomComPort::FireBreak() {
  if (auto handler = FOnBreak) handler(this);
}
void TCustomComPort::FireRing() {
  if (auto handler = FOnRing) handler(this);
}
void TCustomComPort::FireRxFlag() {
  if (auto handler = FOnRxFlag) handler(this);
}
void TCustomComPort::FireCTSChange(bool onOff) {
  if (auto handler = FOnCTSChange) handler(this, onOff);
}
void TCustomComPort::FireDSRChange(bool onOff) {
  if (auto handler = FOnDSRChange) handler(this, onOff);
}
void TCustomComPort::FireError(TComErrors errors) {
  if (auto handler = FOnError) handler(this, errors);
}
void TCustomComPort::FireRLSDChange(bool onOff) {
  if (auto handler = FOnRLSDChange) handler(this, onOff);
}
void TCustomComPort::FireRx80Full() {
  if (auto handler = FOnRx80Full) handler(this);
}
void TCustomComPort::FireDeviceLost(const EComPortExt& error) {
  if (auto handler = FOnDeviceLost) handler(this, error);
}
