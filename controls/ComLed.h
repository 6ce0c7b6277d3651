// TComLed: a lamp that shows one signal of a bound port (open, CTS, DSR,
// RLSD, ring, receive or transmit activity), lit or dark. It hears about the
// port through a link it owns and registers; it never polls. A lit lamp goes
// dark only 100 ms after the off notice, and a ring keeps it lit for
// RingDuration. Unbound, the program sets its State.
//
// A Qt widget and a component, like TComComboBox: either its Qt parent or
// its component owner deletes it, and a bound port destroyed first unbinds
// it.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/Bitmap.h"
#include "serial/CPort.h"

class TTimer;

// The lamp's look: one of the built-in pictures, or pictures of the program's own (lkCustom).
enum TLedKind : std::uint8_t {
  lkRedLight,
  lkGreenLight,
  lkBlueLight,
  lkYellowLight,
  lkPurpleLight,
  lkBulb,
  lkCustom
};
// The signal a lamp follows: the port open, a modem line, a ring, receive or transmit activity.
enum TComLedSignal : std::uint8_t { lsConn, lsCTS, lsDSR, lsRLSD, lsRing, lsRx, lsTx };
// A lamp dark or lit.
enum TLedState : std::uint8_t { lsOff, lsOn };

// The handler of a lamp's change: the lamp and its new state.
using TLedStateEvent = std::function<void(TObject* Sender, TLedState AState)>;

// The resource names of each kind's lit and dark pictures (lkCustom: none).
struct TLedGlyphNames {
  const char* On;   // the lit picture
  const char* Off;  // the dark picture
};
inline constexpr TLedGlyphNames LedGlyphNames[] = {
    {"LEDREDON", "LEDREDOFF"},       {"LEDGREENON", "LEDGREENOFF"},   {"LEDBLUEON", "LEDBLUEOFF"},
    {"LEDYELLOWON", "LEDYELLOWOFF"}, {"LEDPURPLEON", "LEDPURPLEOFF"}, {"LEDBULBON", "LEDBULBOFF"},
};

// The signal lamp, a Qt widget bound to a port.
class TComLed : public QWidget, public TComponent {
  Q_OBJECT

 public:
  // A dark red lamp owned by owner (may be nullptr) inside parent.
  explicit TComLed(TComponent* owner, QWidget* parent = nullptr);
  ~TComLed() override;
  std::string ClassName() const override { return "TComLed"; }

  // Binding registers the link and, on an open port (not while loading),
  // shows the followed signal's level now; none darkens the lamp. Reading
  // CTS, DSR or RLSD can fail with code 11, after the port is bound.
  TComPort* ComPort() const { return FComPort; }
  void SetComPort(TComPort* value);
  // Switches the link slot; the lamp keeps its state until the new signal
  // next changes.
  TComLedSignal LedSignal() const { return FLedSignal; }
  void SetLedSignal(TComLedSignal value);
  TLedKind Kind() const { return FKind; }  // the lamp's look; a built-in one loads its pictures
  void SetKind(TLedKind value);
  // The pictures of the lit and the dark lamp, empty until first painted.
  // Only an LED of kind lkCustom takes a given picture; the picture is made
  // transparent (automatic mode) and copied.
  TLedBitmap& GlyphOn() { return *FGlyphOn; }
  TLedBitmap& GlyphOff() { return *FGlyphOff; }
  void SetGlyphOn(TBitmap& value);
  void SetGlyphOff(TBitmap& value);
  // Refused with code 19 while a port is bound.
  TLedState State() const { return FState; }
  void SetState(TLedState value);
  // How long a ring keeps the lamp lit, in ms; 0 keeps it lit.
  std::int32_t RingDuration() const { return FRingDuration; }
  void SetRingDuration(std::int32_t value) { FRingDuration = value; }
  // Called after the state changed (not while loading).
  const TLedStateEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TLedStateEvent handler) { FOnChange = std::move(handler); }

  QSize sizeHint() const override { return {25, 25}; }  // the built-in pictures' size

 protected:
  // Loads the built-in pictures of a kind into the glyphs (lkCustom: none).
  void LoadGlyphs(TLedKind kind);
  // The one place where State changes: OnChange (not while loading) and a
  // repaint, even when the state is the same.
  void ApplyState(TLedState value);
  virtual void FireChange(TLedState state);  // calls OnChange

  void Notification(TComponent* component, TOperation operation) override;
  void paintEvent(QPaintEvent* event) override;  // draws the lit or dark glyph
  void changeEvent(QEvent* event) override;      // repaints when the widget is enabled or disabled

 private:
  // The link's slots. A notice made on another thread than the main one is
  // handed to the main thread (and dropped there if the LED has gone or
  // follows another port by then).
  void SignalChanged(TObject* sender, bool onOff);
  void RingArrived(TObject* sender);
  void RingTimerFired(TObject* sender);
  template <class Slot>
  bool HandOver(TObject* sender, Slot slot);
  // Takes a custom picture into one of the glyphs (lkCustom only).
  void SetGlyph(TLedBitmap& glyph, TBitmap& value);
  // Whether the followed signal is on now (only while bound and open).
  bool SignalLevel();
  // Starts the timer over: an interval from now.
  void RestartTimer(std::int32_t interval);

  std::unique_ptr<TComLink> FLedLink;
  std::unique_ptr<TLedBitmap> FGlyphOn;
  std::unique_ptr<TLedBitmap> FGlyphOff;
  std::unique_ptr<TTimer> FRingTimer;
  TLedState FPendingState = lsOff;

  TComPort* FComPort = nullptr;
  TComLedSignal FLedSignal = lsConn;
  TLedKind FKind = lkRedLight;
  TLedState FState = lsOff;
  std::int32_t FRingDuration = 1000;
  TLedStateEvent FOnChange;
};
