// Opening and closing the port as a whole, and the setters that open,
// close and reopen it.
#include "serial/CPort.h"

void TCustomComPort::Open() {
  if (FConnected) return;
  FireBeforeOpen();
  OpenDevice();
  FConnected = true;
  try {
    ApplySettings();
  } catch (...) {
    CloseDevice();
    FConnected = false;
    throw;
  }
  NotifyLinks(lnConn, true);
  FireAfterOpen();
}

void TCustomComPort::Close() {
  if (!FConnected) return;
  FireBeforeClose();
  AbortPendingIO();
  CloseDevice();
  FConnected = false;
  NotifyLinks(lnConn, false);
  FireAfterClose();
}

void TCustomComPort::Loaded() {
  TComponent::Loaded();
  if (FConnected) {
    FConnected = false;
    Open();
  }
}

void TCustomComPort::Shutdown() {
  try {
    Close();
  } catch (...) {
    // Destruction goes on: whatever Close left open is released below.
  }
  CloseDevice();
  FConnected = false;
}

void TCustomComPort::SetConnected(bool value) {
  if (Loading()) {
    FConnected = value;
    return;
  }
  if (value == FConnected) return;
  if (value) {
    Open();
  } else {
    Close();
  }
}

void TCustomComPort::SetPort(const std::string& value) {
  if (value == FPort) return;
  FPort = value;
  if (FConnected && !Loading()) {
    Close();
    Open();
  }
}

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
