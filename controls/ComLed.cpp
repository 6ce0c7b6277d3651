#include "controls/ComLed.h"

#include <QEvent>
#include <QPainter>
#include <QThread>

#include <algorithm>

#include "platform/qt/Timer.h"
#include "platform/runtime/Application.h"

namespace {

constexpr unsigned kOffDelay = 100;  // ms a lit lamp stays lit after the off notice

}  // namespace

TComLed::TComLed(TComponent* owner, QWidget* parent)
    : QWidget(parent),
      TComponent(owner),
      FLedLink(std::make_unique<TComLink>()),
      FGlyphOn(std::make_unique<TLedBitmap>()),
      FGlyphOff(std::make_unique<TLedBitmap>()),
      FRingTimer(std::make_unique<TTimer>(nullptr)) {
  resize(25, 25);
  FLedLink->OnConnChange = [this](TObject* sender, bool onOff) { SignalChanged(sender, onOff); };
  for (TLedBitmap* glyph : {FGlyphOn.get(), FGlyphOff.get()}) {
    glyph->SetTransparent(true);
    glyph->SetTransparentMode(tmAuto);
  }
  FRingTimer->SetEnabled(false);
  FRingTimer->OnTimer = [this](TObject* sender) { RingTimerFired(sender); };
}

TComLed::~TComLed() {
  FRingTimer->SetEnabled(false);
  // Unbinding unregisters the link and darkens the lamp, which tells
  // OnChange; a failing handler cannot stop the destruction.
  try {
    SetComPort(nullptr);
  } catch (...) {
    ReportException(this);
  }
  // Those who asked about this LED hear of it while it is still whole.
  DestroyComponents();
}

// ---- Binding ---------------------------------------------------------------

void TComLed::SetComPort(TComPort* value) {
  if (value == FComPort) return;
  if (FComPort != nullptr) {
    FComPort->UnregisterLink(FLedLink.get());
    RemoveFreeNotification(FComPort);
  }
  FComPort = value;
  if (value == nullptr) {
    ApplyState(lsOff);
    return;
  }
  value->FreeNotification(this);
  value->RegisterLink(FLedLink.get());
  if (value->Connected() && !Loading() && !Designing()) ApplyState(SignalLevel() ? lsOn : lsOff);
}

bool TComLed::SignalLevel() {
  switch (FLedSignal) {
    case lsConn:
      return FComPort != nullptr && FComPort->Connected();
    case lsCTS:
      return FComPort->ModemSignals().Contains(msCTS);
    case lsDSR:
      return FComPort->ModemSignals().Contains(msDSR);
    case lsRLSD:
      return FComPort->ModemSignals().Contains(msRLSD);
    case lsRing:
    case lsRx:
    case lsTx:
      break;
  }
  return false;
}

void TComLed::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component != nullptr && component == FComPort) SetComPort(nullptr);
}

void TComLed::SetLedSignal(TComLedSignal value) {
  if (value == FLedSignal) return;
  FLedSignal = value;
  TComLink& link = *FLedLink;
  link.OnCTSChange = nullptr;
  link.OnDSRChange = nullptr;
  link.OnRLSDChange = nullptr;
  link.OnRing = nullptr;
  link.OnTxActive = nullptr;
  link.OnRxActive = nullptr;
  link.OnConnChange = nullptr;
  auto changed = [this](TObject* sender, bool onOff) { SignalChanged(sender, onOff); };
  switch (value) {
    case lsConn:
      link.OnConnChange = changed;
      break;
    case lsCTS:
      link.OnCTSChange = changed;
      break;
    case lsDSR:
      link.OnDSRChange = changed;
      break;
    case lsRLSD:
      link.OnRLSDChange = changed;
      break;
    case lsRing:
      link.OnRing = [this](TObject* sender) { RingArrived(sender); };
      break;
    case lsRx:
      link.OnRxActive = changed;
      break;
    case lsTx:
      link.OnTxActive = changed;
      break;
  }
}

// ---- Pictures --------------------------------------------------------------

void TComLed::SetKind(TLedKind value) {
  if (value == FKind) return;
  FKind = value;
  LoadGlyphs(value);
  update();
}

void TComLed::LoadGlyphs(TLedKind kind) {
  if (kind == lkCustom) return;
  const TLedGlyphNames& names = LedGlyphNames[kind];
  FGlyphOn->LoadFromResourceName(names.On);
  FGlyphOff->LoadFromResourceName(names.Off);
}

void TComLed::SetGlyphOn(TBitmap& value) {
  SetGlyph(*FGlyphOn, value);
}

void TComLed::SetGlyphOff(TBitmap& value) {
  SetGlyph(*FGlyphOff, value);
}

void TComLed::SetGlyph(TLedBitmap& glyph, TBitmap& value) {
  if (FKind != lkCustom) return;
  value.SetTransparentMode(tmAuto);
  value.SetTransparent(true);
  glyph.Assign(value);
  update();
}

// ---- State -----------------------------------------------------------------

void TComLed::SetState(TLedState value) {
  if (FComPort != nullptr) throw EComPort("ComLed ", ecLedState);
  ApplyState(value);
}

void TComLed::ApplyState(TLedState value) {
  FState = value;
  if (!Loading()) FireChange(value);
  update();
}

void TComLed::FireChange(TLedState state) {
  if (FOnChange) FOnChange(this, state);
}

// A port that delivers its notices on its event thread (smNone) reaches the
// slots there; the lamp, its timer and its handler live on the main thread.
template <class Slot>
bool TComLed::HandOver(TObject* sender, Slot slot) {
  if (QThread::currentThread() == thread()) return false;
  QMetaObject::invokeMethod(
      this,
      [this, sender, slot] {
        if (sender == static_cast<TObject*>(FComPort)) slot();
      },
      Qt::QueuedConnection);
  return true;
}

void TComLed::SignalChanged(TObject* sender, bool onOff) {
  if (HandOver(sender, [this, sender, onOff] { SignalChanged(sender, onOff); })) return;
  if (onOff == (FState == lsOn)) {
    // A level lamp (connection, CTS, DSR, RLSD) whose signal comes back on
    // during the off delay stays lit: the signal is on, so the pending off
    // is dropped. Without this, a port closed and reopened within the delay
    // (a new port picked while open) would show dark while it is open.
    // Activity lamps keep the delay and blink with each burst.
    if (onOff && FRingTimer->Enabled() && FLedSignal != lsRx && FLedSignal != lsTx) {
      FRingTimer->SetEnabled(false);
    }
    return;
  }
  if (onOff) {
    FRingTimer->SetEnabled(false);
    ApplyState(lsOn);
    // The lamp shows before the caller goes on. Only this widget is painted:
    // running the event loop here would let a queued click close the port
    // in the middle of the batch that lit the lamp.
    repaint();
  } else {
    // The lamp stays lit for the delay; another off notice starts it over.
    RestartTimer(kOffDelay);
    FPendingState = lsOff;
  }
}

void TComLed::RingArrived(TObject* sender) {
  if (HandOver(sender, [this, sender] { RingArrived(sender); })) return;
  RestartTimer(std::max(FRingDuration, 0));
  ApplyState(lsOn);
  FPendingState = lsOff;
}

void TComLed::RingTimerFired(TObject*) {
  FRingTimer->SetEnabled(false);
  ApplyState(FPendingState);
}

void TComLed::RestartTimer(std::int32_t interval) {
  FRingTimer->SetEnabled(false);
  FRingTimer->SetInterval(static_cast<unsigned>(interval));
  FRingTimer->SetEnabled(true);
}

// ---- Painting --------------------------------------------------------------

void TComLed::paintEvent(QPaintEvent*) {
  if (FGlyphOn->Empty() || FGlyphOff->Empty()) LoadGlyphs(FKind);
  const TLedBitmap& placed = FState == lsOn ? *FGlyphOn : *FGlyphOff;
  const QRect client = rect();
  const int x = client.left() + std::max(0, (client.width() - placed.Width()) / 2);
  const int y = client.top() + std::max(0, (client.height() - placed.Height()) / 2);
  QPainter painter(this);
  // A disabled LED always shows the dark lamp.
  const TLedBitmap& shown = isEnabled() && FState == lsOn ? *FGlyphOn : *FGlyphOff;
  shown.Draw(painter, x, y);
}

void TComLed::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) update();
}
