// The port-bound controls as a window's stored layout (a Qt Designer form)
// creates them: from their parent widget alone. Each belongs to the
// component that holds its parent (the window), starts in the loading state,
// takes its stored properties by name, and keeps the name of its port until
// the window binds it (BindStoredPort) once all of its components exist.
#pragma once

#include <QString>

#include "controls/CPortCtl.h"

// A stored layout that cannot be read: a property value or a reference that
// names nothing ("Invalid property value 'x' for LedSignal").
class EReadError : public Exception {
 public:
  using Exception::Exception;
};

// The component that holds `widget`: the nearest of it and its parents that
// is a component, or null.
TComponent* OwningComponent(QWidget* widget);

// The component of `owner` named `name`, or null.
TComponent* FindComponent(const TComponent& owner, const std::string& name);

// What both controls keep of their stored port: its name, until the window
// binds it.
class TStoredPortName {
 public:
  QString StoredComPort() const { return FStoredComPort; }
  void SetStoredComPort(const QString& name) { FStoredComPort = name; }

 protected:
  // The port named, among the owner's components of `control`; null when
  // none is stored. Raises EReadError when no port of that name exists.
  TComPort* StoredPort(const TComponent& control) const;

 private:
  QString FStoredComPort;
};

class TFormComComboBox : public TComComboBox, public TStoredPortName {
  Q_OBJECT
  // The stored properties, in the order the layout gives them.
  Q_PROPERTY(QString ComProperty READ StoredComProperty WRITE SetStoredComProperty)
  Q_PROPERTY(QString Text READ StoredText WRITE SetStoredText)
  Q_PROPERTY(bool AutoApply READ AutoApply WRITE SetAutoApply)
  Q_PROPERTY(QString ComPort READ StoredComPort WRITE SetStoredComPort)

 public:
  explicit TFormComComboBox(QWidget* parent);

  // Binds the port named by the stored ComPort (none stored: nothing).
  void BindStoredPort() {
    if (TComPort* port = StoredPort(*this)) SetComPort(port);
  }

 private:
  QString StoredComProperty() const;
  void SetStoredComProperty(const QString& name);
  QString StoredText() const { return QString::fromStdString(Text()); }
  void SetStoredText(const QString& text) { SetText(text.toStdString()); }
};

class TFormComLed : public TComLed, public TStoredPortName {
  Q_OBJECT
  Q_PROPERTY(QString LedSignal READ StoredLedSignal WRITE SetStoredLedSignal)
  Q_PROPERTY(QString Kind READ StoredKind WRITE SetStoredKind)
  Q_PROPERTY(int RingDuration READ RingDuration WRITE SetRingDuration)
  Q_PROPERTY(QString ComPort READ StoredComPort WRITE SetStoredComPort)

 public:
  explicit TFormComLed(QWidget* parent);

  void BindStoredPort() {
    if (TComPort* port = StoredPort(*this)) SetComPort(port);
  }

 private:
  QString StoredLedSignal() const;
  void SetStoredLedSignal(const QString& name);
  QString StoredKind() const;
  void SetStoredKind(const QString& name);
};
