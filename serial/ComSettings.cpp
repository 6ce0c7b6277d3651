#include "serial/ComSettings.h"

#include "serial/CPort.h"

// TComTimeouts --------------------------------------------------------------

void TComTimeouts::Set(std::int32_t& field, std::int32_t value) {
  if (field == value) return;
  field = value;
  if (FComPort != nullptr) FComPort->ApplyTimeoutSettings();
}

void TComTimeouts::SetReadInterval(std::int32_t value) {
  Set(FReadInterval, value);
}
void TComTimeouts::SetReadTotalMultiplier(std::int32_t value) {
  Set(FReadTotalMultiplier, value);
}
void TComTimeouts::SetReadTotalConstant(std::int32_t value) {
  Set(FReadTotalConstant, value);
}
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t value) {
  Set(FWriteTotalMultiplier, value);
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t value) {
  Set(FWriteTotalConstant, value);
}

void TComTimeouts::AssignTo(TPersistent& dest) const {
  auto* to = dynamic_cast<TComTimeouts*>(&dest);
  if (to == nullptr) return TPersistent::AssignTo(dest);
  to->FReadInterval = FReadInterval;
  to->FReadTotalMultiplier = FReadTotalMultiplier;
  to->FReadTotalConstant = FReadTotalConstant;
  to->FWriteTotalMultiplier = FWriteTotalMultiplier;
  to->FWriteTotalConstant = FWriteTotalConstant;
}

// TComFlowControl -----------------------------------------------------------

template <typename T>
void TComFlowControl::Set(T& field, T value) {
  if (field == value) return;
  field = value;
  Apply();
}

void TComFlowControl::Apply() {
  if (FComPort != nullptr) FComPort->ApplyLineSettings();
}

void TComFlowControl::SetOutCTSFlow(bool value) {
  Set(FOutCTSFlow, value);
}
void TComFlowControl::SetOutDSRFlow(bool value) {
  Set(FOutDSRFlow, value);
}
void TComFlowControl::SetControlDTR(TDTRFlowControl value) {
  Set(FControlDTR, value);
}
void TComFlowControl::SetControlRTS(TRTSFlowControl value) {
  Set(FControlRTS, value);
}
void TComFlowControl::SetXonXoffOut(bool value) {
  Set(FXonXoffOut, value);
}
void TComFlowControl::SetXonXoffIn(bool value) {
  Set(FXonXoffIn, value);
}
void TComFlowControl::SetDSRSensitivity(bool value) {
  Set(FDSRSensitivity, value);
}
void TComFlowControl::SetTxContinueOnXoff(bool value) {
  Set(FTxContinueOnXoff, value);
}
void TComFlowControl::SetXonChar(char value) {
  Set(FXonChar, value);
}
void TComFlowControl::SetXoffChar(char value) {
  Set(FXoffChar, value);
}

TFlowControl TComFlowControl::FlowControl() const {
  if (FControlRTS == rtsHandshake && FOutCTSFlow && !FXonXoffIn && !FXonXoffOut) return fcHardware;
  if (FControlRTS == rtsDisable && !FOutCTSFlow && FXonXoffIn && FXonXoffOut) return fcSoftware;
  if (FControlRTS == rtsDisable && !FOutCTSFlow && !FXonXoffIn && !FXonXoffOut) return fcNone;
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
  if (value != fcCustom) {
    FControlRTS = rtsDisable;
    FOutCTSFlow = false;
    FXonXoffIn = false;
    FXonXoffOut = false;
    if (value == fcHardware) {
      FControlRTS = rtsHandshake;
      FOutCTSFlow = true;
    } else if (value == fcSoftware) {
      FXonXoffIn = true;
      FXonXoffOut = true;
    }
  }
  Apply();
}

void TComFlowControl::AssignTo(TPersistent& dest) const {
  auto* to = dynamic_cast<TComFlowControl*>(&dest);
  if (to == nullptr) return TPersistent::AssignTo(dest);
  to->FOutCTSFlow = FOutCTSFlow;
  to->FOutDSRFlow = FOutDSRFlow;
  to->FControlDTR = FControlDTR;
  to->FControlRTS = FControlRTS;
  to->FXonXoffOut = FXonXoffOut;
  to->FXonXoffIn = FXonXoffIn;
  to->FDSRSensitivity = FDSRSensitivity;
  to->FTxContinueOnXoff = FTxContinueOnXoff;
  to->FXonChar = FXonChar;
  to->FXoffChar = FXoffChar;
}

// TComParity ----------------------------------------------------------------

template <typename T>
void TComParity::Set(T& field, T value) {
  if (field == value) return;
  field = value;
  if (FComPort != nullptr) FComPort->ApplyLineSettings();
}

void TComParity::SetBits(TParityBits value) {
  Set(FBits, value);
}
void TComParity::SetCheck(bool value) {
  Set(FCheck, value);
}
void TComParity::SetReplace(bool value) {
  Set(FReplace, value);
}
void TComParity::SetReplaceChar(char value) {
  Set(FReplaceChar, value);
}

void TComParity::AssignTo(TPersistent& dest) const {
  auto* to = dynamic_cast<TComParity*>(&dest);
  if (to == nullptr) return TPersistent::AssignTo(dest);
  to->FBits = FBits;
  to->FCheck = FCheck;
  to->FReplace = FReplace;
  to->FReplaceChar = FReplaceChar;
}

// TComBuffer ----------------------------------------------------------------

void TComBuffer::Set(std::int32_t& field, std::int32_t value) {
  // Compared before rounding: 1025 on a buffer of 1024 stores 1024 and
  // still applies the sizes again.
  if (field == value) return;
  field = (value > 0 && value % 2 == 1) ? value - 1 : value;
  if (FComPort != nullptr) FComPort->ApplyBufferSizes();
}

void TComBuffer::SetInputSize(std::int32_t value) {
  Set(FInputSize, value);
}
void TComBuffer::SetOutputSize(std::int32_t value) {
  Set(FOutputSize, value);
}

void TComBuffer::AssignTo(TPersistent& dest) const {
  auto* to = dynamic_cast<TComBuffer*>(&dest);
  if (to == nullptr) return TPersistent::AssignTo(dest);
  to->FInputSize = FInputSize;
  to->FOutputSize = FOutputSize;
}
