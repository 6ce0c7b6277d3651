#include "console/widgets/FormControls.h"

#include <QWidget>

#include <array>
#include <string_view>

#include "platform/runtime/Application.h"

namespace {

constexpr std::array<std::string_view, 7> kComPropertyNames = {
    "cpNone", "cpPort", "cpBaudRate", "cpDataBits", "cpStopBits", "cpParity", "cpFlowControl"};
constexpr std::array<std::string_view, 7> kLedSignalNames = {"lsConn", "lsCTS", "lsDSR", "lsRLSD",
                                                             "lsRing", "lsRx",  "lsTx"};
constexpr std::array<std::string_view, 7> kLedKindNames = {
    "lkRedLight",    "lkGreenLight", "lkBlueLight", "lkYellowLight",
    "lkPurpleLight", "lkBulb",       "lkCustom"};

// The ordinal of the enumerator named `name`.
template <std::size_t N>
std::uint8_t StoredOrdinal(const std::array<std::string_view, N>& names, const QString& name,
                           const char* property) {
  const std::string text = name.toStdString();
  for (std::size_t i = 0; i < N; ++i) {
    if (names[i] == text) return static_cast<std::uint8_t>(i);
  }
  throw EReadError("Invalid property value '" + text + "' for " + property);
}

template <std::size_t N>
QString StoredName(const std::array<std::string_view, N>& names, std::uint8_t ordinal) {
  return QString::fromLatin1(names.at(ordinal).data(), names.at(ordinal).size());
}

// A component read from the layout: loading until the window's Loaded, and
// named as its widget once the layout names that.
void BeginStoredLoading(TComponent& component, QObject& widget) {
  component.BeginLoading();
  QObject::connect(&widget, &QObject::objectNameChanged, &widget,
                   [&component](const QString& name) { component.SetName(name.toStdString()); });
}

}  // namespace

TComponent* OwningComponent(QWidget* widget) {
  for (QObject* object = widget; object != nullptr; object = object->parent()) {
    if (auto* component = dynamic_cast<TComponent*>(object)) return component;
  }
  return nullptr;
}

TComponent* FindComponent(const TComponent& owner, const std::string& name) {
  for (int i = 0; i < owner.ComponentCount(); ++i) {
    if (owner.Components(i)->Name() == name) return owner.Components(i);
  }
  return nullptr;
}

TComPort* TStoredPortName::StoredPort(const TComponent& control) const {
  if (FStoredComPort.isEmpty()) return nullptr;
  const TComponent* owner = control.Owner();
  const std::string name = FStoredComPort.toStdString();
  auto* port = owner ? dynamic_cast<TComPort*>(FindComponent(*owner, name)) : nullptr;
  if (port == nullptr) {
    throw EReadError("Invalid property value '" + name + "' for ComPort of " + control.Name());
  }
  return port;
}

// ---- The selector ------------------------------------------------------------

TFormComComboBox::TFormComComboBox(QWidget* parent)
    : TComComboBox(OwningComponent(parent), parent) {
  BeginStoredLoading(*this, *this);
}

QString TFormComComboBox::StoredComProperty() const {
  return StoredName(kComPropertyNames, ComProperty());
}

void TFormComComboBox::SetStoredComProperty(const QString& name) {
  const auto value =
      static_cast<TComProperty>(StoredOrdinal(kComPropertyNames, name, "ComProperty"));
  try {
    SetComProperty(value);
  } catch (const EComPort&) {
    // The machine's port list cannot be read: the operator hears why, and
    // the window is built all the same, with this list empty.
    ReportException(this);
  }
}

// ---- The LED ---------------------------------------------------------------------

TFormComLed::TFormComLed(QWidget* parent) : TComLed(OwningComponent(parent), parent) {
  BeginStoredLoading(*this, *this);
}

QString TFormComLed::StoredLedSignal() const {
  return StoredName(kLedSignalNames, LedSignal());
}

void TFormComLed::SetStoredLedSignal(const QString& name) {
  SetLedSignal(static_cast<TComLedSignal>(StoredOrdinal(kLedSignalNames, name, "LedSignal")));
}

QString TFormComLed::StoredKind() const {
  return StoredName(kLedKindNames, Kind());
}

void TFormComLed::SetStoredKind(const QString& name) {
  SetKind(static_cast<TLedKind>(StoredOrdinal(kLedKindNames, name, "Kind")));
}
