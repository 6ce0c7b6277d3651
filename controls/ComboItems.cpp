#include "controls/ComboItems.h"

#include <QComboBox>

namespace {

[[noreturn]] void IndexError(int index) {
  throw Exception("List index out of bounds (" + IntToStr(index) + ")");
}

}  // namespace

int TComboBoxStrings::Count() const {
  return FCombo.count();
}

std::string TComboBoxStrings::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FCombo.itemText(index).toStdString();
}

void TComboBoxStrings::Insert(int index, const std::string& text) {
  if (index < 0 || index > Count()) IndexError(index);
  FCombo.insertItem(index, QString::fromStdString(text));
}

void TComboBoxStrings::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  FCombo.removeItem(index);
}

void TComboBoxStrings::Clear() {
  FCombo.clear();
}
