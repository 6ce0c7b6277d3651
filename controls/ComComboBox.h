// TComComboBox: a drop-down list (the operator can only pick listed items)
// bound to a port and one of its settings. It lists the setting's values,
// shows the bound port's value when bound or when the setting is chosen,
// and hands the operator's pick to its TComSelect, which writes it to the
// port when AutoApply is on. Setting the selection from the program never
// counts as a pick.
//
// It is a Qt widget and a component: its Qt parent or its component owner
// may delete it, whichever goes first (each forgets it when it goes). A
// bound port that is destroyed first unbinds it.
#pragma once

#include <QComboBox>

#include <memory>
#include <string>

#include "controls/ComSelect.h"
#include "controls/ComboItems.h"

// The settings combo box, a Qt widget bound to a port and one of its settings.
class TComComboBox : public QComboBox, public TComponent {
  Q_OBJECT

 public:
  // An empty, unbound box owned by owner (may be nullptr) inside parent.
  explicit TComComboBox(TComponent* owner, QWidget* parent = nullptr);
  ~TComComboBox() override;
  std::string ClassName() const override { return "TComComboBox"; }

  // Binding: asks the port for a free notification and shows its value.
  // Binding the port already bound does nothing; none only forgets the port
  // (the list and the selection stay).
  TCustomComPort* ComPort() const { return FSelect->ComPort; }
  void SetComPort(TCustomComPort* value);
  // Rebuilds the list and selects the bound port's value, or the first item
  // without a port. The port list's read error (code 23) passes out with
  // the setting stored and the list empty.
  TComProperty ComProperty() const { return FSelect->ComProperty; }
  void SetComProperty(TComProperty value);
  // Whether a pick is written to the port at once.
  bool AutoApply() const { return FSelect->AutoApply; }
  void SetAutoApply(bool value) { FSelect->AutoApply = value; }

  // The selected item's text, or empty with nothing selected. Writing
  // selects the item equal to the text ignoring letter case; a text that
  // names no item is ignored.
  std::string Text() const;
  void SetText(const std::string& value);
  int ItemIndex() const { return currentIndex(); }  // -1: nothing selected
  void SetItemIndex(int value) { setCurrentIndex(value); }

  // Selects the item of the bound port's current value (none if it is not
  // listed) and takes that value into the companion.
  void ShowPortValue();

  // The item list (built from ComProperty, never stored) and the companion.
  TStrings& Items() { return FItems; }
  TComSelect& Select() { return *FSelect; }
  const TComSelect& Select() const { return *FSelect; }

  // Where the port list comes from; empty (the default) lists the machine's
  // ports. Takes effect at the next ComProperty write.
  const std::string& PortListSource() const { return FSelect->PortListSource; }
  void SetPortListSource(const std::string& value) { FSelect->PortListSource = value; }

  // Called after an operator's pick, once the companion has taken it.
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }
  // Called when the drop-down list is about to open, after a port list has
  // been read again.
  const TNotifyEvent& OnDropDown() const { return FOnDropDown; }
  void SetOnDropDown(TNotifyEvent handler) { FOnDropDown = std::move(handler); }

  // Opening the list: a port selector first reads the machine's ports
  // again (an adapter plugged in since shows up), keeping the selection on
  // the bound port's value or on the text shown before; then OnDropDown.
  // A port list that cannot be read is shown as an error, and the list
  // opens with the items it had.
  void showPopup() override;

 protected:
  // The operator picked an item: the companion takes its text (and writes it
  // to the port when AutoApply is on), then OnChange. An error on the way
  // leaves before OnChange.
  virtual void Change();
  // The bound port is going: forget it and select the first item, without
  // Change or OnChange.
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Created first and freed last; the item view works on this widget.
  std::unique_ptr<TComSelect> FSelect;
  TComboBoxStrings FItems;
  TNotifyEvent FOnChange;
  TNotifyEvent FOnDropDown;
};
