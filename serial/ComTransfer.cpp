// Overlapped reads and writes with their records, cancelling them, and the
// line status: input queue count, modem signals, line errors.
#include <mutex>
#include <utility>

#include "platform/serial/SystemErrorNumbers.h"
#include "serial/CPort.h"

// Async records --------------------------------------------------------------

void CreateAsyncRecord(PAsyncRecord& record) {
  record = std::make_unique<TAsyncRecord>();
  record->Overlapped.hEvent = comm::Event::Create(/*manualReset=*/true, /*initialState=*/true);
}

void FreeAsyncRecord(PAsyncRecord& record) {
  if (record == nullptr) return;
  record->Overlapped.hEvent.Close();
  record.reset();
}

void FillAsyncRecord(TAsyncKind kind, const void* buffer, std::int32_t count,
                     TAsyncRecord& record) {
  record.OpKind = kind;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  record.SentData.assign(bytes, bytes + (count > 0 ? count : 0));
  record.SentSize = count;
}

// Transfers ------------------------------------------------------------------

namespace {

// A read the device refused to start: nothing is raised here; the record
// keeps the reason and its event is set, so that WaitForAsync reports the
// failure instead of waiting for a completion that never comes.
std::int32_t RefuseRead(TAsyncRecord& record, std::int32_t error) {
  record.StartError = error;
  record.Overlapped.hEvent.Set();
  return 0;
}

}  // namespace

std::int32_t TCustomComPort::WriteAsync(const void* buffer, std::int32_t count,
                                        PAsyncRecord& record) {
  if (record == nullptr) throw EComPort(FPort, ecInvalidAsync);
  // A negative count or a missing buffer is refused as the device would.
  if (count < 0 || (buffer == nullptr && count > 0)) {
    throw EComPortExt(FPort, ecWriteFailed, comm::kErrInvalidArgument);
  }
  FillAsyncRecord(akWrite, buffer, count, *record);
  record->StartError = 0;
  comm::DWORD done = 0;
  // The device sends the caller's buffer; the record's copy is for the links.
  if (!FDeviceHandle.WriteFile(buffer, static_cast<comm::DWORD>(count), &done,
                               &record->Overlapped) &&
      comm::GetLastError() != ERROR_IO_PENDING) {
    RaiseSystemError(ecWriteFailed);
  }
  NotifyLinks(lnTx, true);
  return static_cast<std::int32_t>(done);
}

std::int32_t TCustomComPort::ReadAsync(void* buffer, std::int32_t count, PAsyncRecord& record) {
  if (record == nullptr) throw EComPort(FPort, ecInvalidAsync);
  record->OpKind = akRead;
  record->StartError = 0;
  if (buffer == nullptr || count < 0) return RefuseRead(*record, comm::kErrInvalidArgument);
  // What the buffer says when nothing arrives; an empty one has no byte to say it.
  if (count > 0) static_cast<std::uint8_t*>(buffer)[0] = 0xFF;
  comm::DWORD done = 0;
  if (FDeviceHandle.ReadFile(buffer, static_cast<comm::DWORD>(count), &done, &record->Overlapped) ||
      comm::GetLastError() == ERROR_IO_PENDING) {
    return static_cast<std::int32_t>(done);
  }
  return RefuseRead(*record, comm::GetLastError());
}

std::int32_t TCustomComPort::WaitForAsync(PAsyncRecord& record) {
  if (record == nullptr) throw EComPort(FPort, ecInvalidAsync);
  const std::int32_t failureCode = record->OpKind == akWrite ? ecWriteFailed : ecReadFailed;
  if (record->StartError != 0) RaiseSystemError(failureCode, record->StartError);

  comm::DWORD transferred = 0;
  if (comm::WaitForSingleObject(record->Overlapped.hEvent, INFINITE) != WAIT_OBJECT_0 ||
      !FDeviceHandle.GetOverlappedResult(&record->Overlapped, &transferred, false)) {
    RaiseSystemError(failureCode);
  }

  if (record->OpKind == akRead) {
    if (InputQueueCount() == 0) NotifyLinks(lnRx, false);
  } else if (!record->SentData.empty()) {
    // The links get the bytes handed to the write, even if fewer were sent.
    NotifyLinksTxData(record->SentData.data(), record->SentSize);
  }
  return static_cast<std::int32_t>(transferred);
}

std::int32_t TCustomComPort::Write(const void* buffer, std::int32_t count) {
  PAsyncRecord record;
  CreateAsyncRecord(record);
  WriteAsync(buffer, count, record);
  const std::int32_t transferred = WaitForAsync(record);
  FreeAsyncRecord(record);  // on failure the record is released as it goes out of scope
  return transferred;
}

std::int32_t TCustomComPort::Read(void* buffer, std::int32_t count) {
  PAsyncRecord record;
  CreateAsyncRecord(record);
  ReadAsync(buffer, count, record);
  const std::int32_t transferred = WaitForAsync(record);
  FreeAsyncRecord(record);
  return transferred;
}

void TCustomComPort::AbortPendingIO() {
  if (!FDeviceHandle.PurgeComm(PURGE_TXABORT | PURGE_RXABORT)) RaiseSystemError(ecPurgeFailed);
}

// Line status ----------------------------------------------------------------

// ClearCommError: the queue counts, and the error flags it cleared on the
// device.
comm::COMSTAT TCustomComPort::ClearCommError(comm::DWORD& errors) {
  comm::COMSTAT stat;
  if (!FDeviceHandle.ClearCommError(&errors, &stat)) RaiseSystemError(ecClearComm);
  return stat;
}

std::int32_t TCustomComPort::InputQueueCount() {
  std::lock_guard lock(FLineStatusLock);
  comm::DWORD errors = 0;
  const comm::COMSTAT stat = ClearCommError(errors);
  // Asking for the count also clears the device's error flags; they are
  // kept for the next ReadLineErrors, so that no line error goes unreported.
  FKeptLineErrors |= errors;
  return static_cast<std::int32_t>(stat.cbInQue);
}

TModemSignals TCustomComPort::ModemSignals() {
  comm::DWORD status = 0;
  if (!FDeviceHandle.GetCommModemStatus(&status)) RaiseSystemError(ecModemStatus);
  TModemSignals signals;
  if (status & MS_CTS_ON) signals.Include(msCTS);
  if (status & MS_DSR_ON) signals.Include(msDSR);
  if (status & MS_RING_ON) signals.Include(msRing);
  if (status & MS_RLSD_ON) signals.Include(msRLSD);
  return signals;
}

TComErrors TCustomComPort::ReadLineErrors() {
  comm::DWORD errors = 0;
  {
    std::lock_guard lock(FLineStatusLock);
    ClearCommError(errors);
    errors |= std::exchange(FKeptLineErrors, 0);
  }
  TComErrors result;
  if (errors & CE_FRAME) result.Include(ceFrame);
  if ((errors & CE_RXPARITY) && FParity->Check()) result.Include(ceRxParity);
  if (errors & CE_OVERRUN) result.Include(ceOverrun);
  if (errors & CE_RXOVER) result.Include(ceRxOver);
  if (errors & CE_TXFULL) result.Include(ceTxFull);
  if (errors & CE_BREAK) result.Include(ceBreak);
  if (errors & CE_IOE) result.Include(ceIO);
  if (errors & CE_MODE) result.Include(ceMode);
  return result;
}
