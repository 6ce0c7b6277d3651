// The item list of a Qt combo box seen as TStrings: texts go in and out as
// UTF-8, and an index outside the list raises the list's index error.
#pragma once

#include <string>

#include "platform/runtime/Classes.h"

class QComboBox;

// A combo box's items as TStrings.
class TComboBoxStrings : public TStrings {
 public:
  // The items of combo, which outlives this object.
  explicit TComboBoxStrings(QComboBox& combo) : FCombo(combo) {}
  std::string ClassName() const override { return "TComboBoxStrings"; }

  int Count() const override;
  std::string Get(int index) const override;
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  void Clear() override;

 private:
  QComboBox& FCombo;
};
