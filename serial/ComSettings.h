// The four settings objects of a port: time-outs, flow control, parity and
// buffer sizes. Each setter stores a changed value and asks the owning port
// (if any) to apply its group to the device; Assign copies the values of
// another object of the same class without applying anything.
#pragma once

#include <cstdint>

#include "platform/runtime/Classes.h"
#include "serial/CPortTypes.h"

class TCustomComPort;

// Read and write time-outs in milliseconds. -1 is passed to the device as
// all bits set: with both read totals 0 a read returns at once.
class TComTimeouts : public TPersistent {
 public:
  TComTimeouts() = default;
  std::string ClassName() const override { return "TComTimeouts"; }
  void AttachPort(TCustomComPort* port) { FComPort = port; }  // the port that applies a change
  TCustomComPort* ComPort() const { return FComPort; }        // the attached port, or nullptr

  // The longest pause between two received bytes that a read waits out.
  std::int32_t ReadInterval() const { return FReadInterval; }
  // A read's time-out per byte asked for.
  std::int32_t ReadTotalMultiplier() const { return FReadTotalMultiplier; }
  // A read's time-out added to the per-byte part.
  std::int32_t ReadTotalConstant() const { return FReadTotalConstant; }
  // A write's time-out per byte.
  std::int32_t WriteTotalMultiplier() const { return FWriteTotalMultiplier; }
  // A write's time-out added to the per-byte part.
  std::int32_t WriteTotalConstant() const { return FWriteTotalConstant; }
  void SetReadInterval(std::int32_t value);
  void SetReadTotalMultiplier(std::int32_t value);
  void SetReadTotalConstant(std::int32_t value);
  void SetWriteTotalMultiplier(std::int32_t value);
  void SetWriteTotalConstant(std::int32_t value);

 protected:
  void AssignTo(TPersistent& dest) const override;

 private:
  void Set(std::int32_t& field, std::int32_t value);

  TCustomComPort* FComPort = nullptr;
  std::int32_t FReadInterval = -1;
  std::int32_t FReadTotalMultiplier = 0;
  std::int32_t FReadTotalConstant = 0;
  std::int32_t FWriteTotalMultiplier = 100;
  std::int32_t FWriteTotalConstant = 1000;
};

// The flow-control flags and characters, and the FlowControl shortcut over
// four of them (ControlRTS, OutCTSFlow, XonXoffIn, XonXoffOut).
class TComFlowControl : public TPersistent {
 public:
  TComFlowControl() = default;
  std::string ClassName() const override { return "TComFlowControl"; }
  void AttachPort(TCustomComPort* port) { FComPort = port; }  // the port that applies a change
  TCustomComPort* ComPort() const { return FComPort; }        // the attached port, or nullptr

  bool OutCTSFlow() const { return FOutCTSFlow; }             // sending waits while CTS is off
  bool OutDSRFlow() const { return FOutDSRFlow; }             // sending waits while DSR is off
  TDTRFlowControl ControlDTR() const { return FControlDTR; }  // how the DTR line is driven
  TRTSFlowControl ControlRTS() const { return FControlRTS; }  // how the RTS line is driven
  // Sending stops at XoffChar received and goes on at XonChar.
  bool XonXoffOut() const { return FXonXoffOut; }
  // The device sends XoffChar when its input queue is nearly full, XonChar when it has room again.
  bool XonXoffIn() const { return FXonXoffIn; }
  // Bytes received while DSR is off are dropped.
  bool DSRSensitivity() const { return FDSRSensitivity; }
  // Sending goes on after the device sent XoffChar.
  bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
  char XonChar() const { return FXonChar; }    // the character that resumes sending (17, DC1)
  char XoffChar() const { return FXoffChar; }  // the character that stops sending (19, DC3)
  void SetOutCTSFlow(bool value);
  void SetOutDSRFlow(bool value);
  void SetControlDTR(TDTRFlowControl value);
  void SetControlRTS(TRTSFlowControl value);
  void SetXonXoffOut(bool value);
  void SetXonXoffIn(bool value);
  void SetDSRSensitivity(bool value);
  void SetTxContinueOnXoff(bool value);
  void SetXonChar(char value);
  void SetXoffChar(char value);

  // The shortcut: fcHardware, fcSoftware or fcNone when the four flags form
  // exactly that combination, fcCustom otherwise.
  TFlowControl FlowControl() const;
  // Sets the four flags to the combination (fcCustom touches none) and
  // applies the line settings in every case, also when nothing changed.
  void SetFlowControl(TFlowControl value);

 protected:
  void AssignTo(TPersistent& dest) const override;

 private:
  template <typename T>
  void Set(T& field, T value);
  void Apply();

  TCustomComPort* FComPort = nullptr;
  bool FOutCTSFlow = false;
  bool FOutDSRFlow = false;
  TDTRFlowControl FControlDTR = dtrDisable;
  TRTSFlowControl FControlRTS = rtsDisable;
  bool FXonXoffOut = false;
  bool FXonXoffIn = false;
  bool FDSRSensitivity = false;
  bool FTxContinueOnXoff = false;
  char FXonChar = 17;   // DC1
  char FXoffChar = 19;  // DC3
};

// Parity scheme, checking, and replacement of bytes with a parity error
// (Replace takes effect only together with Check).
class TComParity : public TPersistent {
 public:
  TComParity() = default;
  std::string ClassName() const override { return "TComParity"; }
  void AttachPort(TCustomComPort* port) { FComPort = port; }  // the port that applies a change
  TCustomComPort* ComPort() const { return FComPort; }        // the attached port, or nullptr

  TParityBits Bits() const { return FBits; }  // the parity bit's scheme
  bool Check() const { return FCheck; }       // received bytes are checked for parity errors
  // A byte with a parity error is replaced by ReplaceChar (with Check).
  bool Replace() const { return FReplace; }
  // The byte that stands for one with a parity error.
  char ReplaceChar() const { return FReplaceChar; }
  void SetBits(TParityBits value);
  void SetCheck(bool value);
  void SetReplace(bool value);
  void SetReplaceChar(char value);

 protected:
  void AssignTo(TPersistent& dest) const override;

 private:
  template <typename T>
  void Set(T& field, T value);

  TCustomComPort* FComPort = nullptr;
  TParityBits FBits = prNone;
  bool FCheck = false;
  bool FReplace = false;
  char FReplaceChar = 0;
};

// Recommended sizes of the device's queues in bytes. A positive odd size is
// stored one smaller (1025 becomes 1024); nothing else is checked.
class TComBuffer : public TPersistent {
 public:
  TComBuffer() = default;
  std::string ClassName() const override { return "TComBuffer"; }
  void AttachPort(TCustomComPort* port) { FComPort = port; }  // the port that applies a change
  TCustomComPort* ComPort() const { return FComPort; }        // the attached port, or nullptr

  std::int32_t InputSize() const { return FInputSize; }    // the input queue's size
  std::int32_t OutputSize() const { return FOutputSize; }  // the output queue's size
  void SetInputSize(std::int32_t value);
  void SetOutputSize(std::int32_t value);

 protected:
  void AssignTo(TPersistent& dest) const override;

 private:
  void Set(std::int32_t& field, std::int32_t value);

  TCustomComPort* FComPort = nullptr;
  std::int32_t FInputSize = 1024;
  std::int32_t FOutputSize = 1024;
};
