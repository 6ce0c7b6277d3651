#include "platform/runtime/Classes.h"

#include <algorithm>

// TPersistent ---------------------------------------------------------------

void TPersistent::Assign(const TPersistent& source) {
  source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& dest) const {
  AssignError(dest);
}

void TPersistent::AssignError(const TPersistent& dest) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest.ClassName());
}

// TComponent ----------------------------------------------------------------

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->Insert(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (FOwner != nullptr) FOwner->Remove(this);
}

void TComponent::Loaded() {
  FLoading = false;
}

void TComponent::FreeNotification(TComponent* other) {
  if (other == nullptr || other == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(other);
    other->FreeNotification(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other);
  if (it == FFreeNotifies.end()) return;
  FFreeNotifies.erase(it);
  other->RemoveFreeNotification(this);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::DestroyComponents() {
  if (FDestroying) return;
  FDestroying = true;
  // Tell those who asked; each forgets us (and we them) before its notice.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    RemoveFreeNotification(other);
    other->Notification(this, opRemove);
  }
  // Free what we own, the last created first. Each one leaves our list itself.
  while (!FComponents.empty()) delete FComponents.back();
}

void TComponent::Insert(TComponent* child) {
  FComponents.push_back(child);
  child->FOwner = this;
}

void TComponent::Remove(TComponent* child) {
  auto it = std::find(FComponents.begin(), FComponents.end(), child);
  if (it != FComponents.end()) FComponents.erase(it);
  child->FOwner = nullptr;
  if (!FDestroying) Notification(child, opRemove);
}

// TStrings ------------------------------------------------------------------

int TStrings::Add(const std::string& text) {
  const int index = Count();
  Insert(index, text);
  return index;
}

int TStrings::IndexOf(const std::string& text) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameText(Get(i), text)) return i;
  }
  return -1;
}

void TStrings::Assign(const TPersistent& source) {
  if (const auto* strings = dynamic_cast<const TStrings*>(&source)) {
    if (strings == this) return;
    const std::vector<std::string> texts = strings->ToVector();
    Clear();
    for (const std::string& text : texts) Add(text);
    return;
  }
  TPersistent::Assign(source);
}

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> texts;
  texts.reserve(Count());
  for (int i = 0; i < Count(); ++i) texts.push_back(Get(i));
  return texts;
}

// TStringList ---------------------------------------------------------------

namespace {

[[noreturn]] void IndexError(int index) {
  throw Exception("List index out of bounds (" + IntToStr(index) + ")");
}

}  // namespace

std::string TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[index];
}

void TStringList::Insert(int index, const std::string& text) {
  if (index < 0 || index > Count()) IndexError(index);
  FItems.insert(FItems.begin() + index, text);
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  FItems.erase(FItems.begin() + index);
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
}
