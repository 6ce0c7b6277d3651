#include "controls/ComComboBox.h"

#include "platform/qt/GuardedApplication.h"
#include "platform/runtime/Application.h"

TComComboBox::TComComboBox(TComponent* owner, QWidget* parent)
    : QComboBox(parent), TComponent(owner), FSelect(std::make_unique<TComSelect>()), FItems(*this) {
  FSelect->Items = &FItems;
  setEditable(false);  // a drop-down list: only listed items can be picked
  // Only the operator's pick: activated is not emitted when the program
  // sets the selection.
  connect(this, &QComboBox::activated, this, Guarded(this, [this](int) { Change(); }));
}

TComComboBox::~TComComboBox() {
  // The port forgets this control while it is still whole.
  DestroyComponents();
}

void TComComboBox::SetComPort(TCustomComPort* value) {
  TCustomComPort* old = FSelect->ComPort;
  if (value == old) return;
  FSelect->ComPort = value;
  if (old != nullptr) RemoveFreeNotification(old);
  if (value == nullptr) return;
  value->FreeNotification(this);
  ShowPortValue();
}

void TComComboBox::SetComProperty(TComProperty value) {
  FSelect->FillItems(value);
  if (count() == 0) {
    setCurrentIndex(-1);
    return;
  }
  if (FSelect->ComPort == nullptr) {
    setCurrentIndex(0);
  } else {
    ShowPortValue();
  }
}

std::string TComComboBox::Text() const {
  if (currentIndex() < 0) return {};
  return itemText(currentIndex()).toStdString();
}

void TComComboBox::SetText(const std::string& value) {
  const int index = FItems.IndexOf(value);
  if (index >= 0) setCurrentIndex(index);
}

void TComComboBox::ShowPortValue() {
  int index = -1;
  FSelect->FindCurrentValue(index);
  setCurrentIndex(index);
}

void TComComboBox::showPopup() {
  try {
    if (ComProperty() == cpPort) {
      const std::string shown = Text();
      const std::vector<std::string> before = FItems.ToVector();
      try {
        FSelect->FillItems(cpPort);
      } catch (...) {
        for (const std::string& item : before) FItems.Add(item);
        throw;
      }
      if (FSelect->ComPort != nullptr) {
        ShowPortValue();
      } else {
        SetText(shown);
      }
    }
    if (FOnDropDown) FOnDropDown(this);
  } catch (...) {
    ReportException(this);
  }
  QComboBox::showPopup();
}

void TComComboBox::Change() {
  FSelect->TakeText(Text());
  if (FOnChange) FOnChange(this);
}

void TComComboBox::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || component == nullptr || component != FSelect->ComPort) return;
  FSelect->ComPort = nullptr;
  if (count() > 0) setCurrentIndex(0);
}
