// The component model: objects with a class name, persistent objects that
// copy themselves (Assign/AssignTo), components with an owner, a name, a
// loading state and free notification; and string lists.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/SysUtils.h"

// The root of the class tree: every object has a class name and a virtual destructor.
class TObject {
 public:
  virtual ~TObject() = default;
  // The class's name, as messages show it ("TComParity").
  virtual std::string ClassName() const { return "TObject"; }
};

// An object that can copy the values of another: Assign(source) asks the
// source to copy itself into this object (source.AssignTo(*this)). A source
// that cannot raises EConvertError "Cannot assign a <source> to a <dest>".
class TPersistent : public TObject {
 public:
  std::string ClassName() const override { return "TPersistent"; }
  // Takes the values of source (source.AssignTo(*this)).
  virtual void Assign(const TPersistent& source);

 protected:
  // Copies this object into dest, or raises the conversion error.
  virtual void AssignTo(TPersistent& dest) const;
  // Raises EConvertError "Cannot assign a <this class> to a <dest's class>".
  [[noreturn]] void AssignError(const TPersistent& dest) const;
};

// A handler that takes only the sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// What Notification tells: a component was inserted, or is being removed.
enum TOperation : std::uint8_t { opInsert, opRemove };

// A component: owned by another component (or by nobody), which frees it;
// named; loading while it is being built from a stored description (Loaded
// ends that); and told through Notification when a component it asked to
// hear about (FreeNotification) is destroyed.
//
// Destruction: a component frees the components it owns (last created
// first), tells every component registered through FreeNotification that it
// is going (Notification(this, opRemove)) and leaves its owner. A derived
// class whose members must still exist while those notices run calls
// DestroyComponents() itself, at the right step of its own destructor;
// ~TComponent does the rest that is left.
class TComponent : public TPersistent {
 public:
  // Joins owner's components (owner frees it); nullptr: owned by nobody.
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::string ClassName() const override { return "TComponent"; }

  // The component that owns and frees this one, or nullptr.
  TComponent* Owner() const { return FOwner; }
  // The component's name (the ini section of a port's settings, for one).
  const std::string& Name() const { return FName; }
  void SetName(const std::string& name) { FName = name; }

  // The components this one owns, in the order they were created.
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(index); }

  // Loading state: set by whoever builds the component from a stored
  // description, before it assigns the stored properties; cleared by Loaded.
  bool Loading() const { return FLoading; }
  void BeginLoading() { FLoading = true; }
  virtual void Loaded();
  // Design mode (a form designer) does not exist in this system; kept so that
  // the components read like their behaviour.
  bool Designing() const { return false; }
  bool Destroying() const { return FDestroying; }  // true while the destructor runs

  // Asks to be told (other->Notification(this, opRemove)) when this component
  // is destroyed, and the other way round.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);  // undoes FreeNotification

 protected:
  // Told that `component` is being inserted or removed. The default does nothing.
  virtual void Notification(TComponent* component, TOperation operation);

  // Sends the removal notices and frees the owned components; the first call
  // does the work, later ones nothing.
  void DestroyComponents();

 private:
  void Insert(TComponent* child);
  void Remove(TComponent* child);

  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;    // owned
  std::vector<TComponent*> FFreeNotifies;  // told when this one goes, and vice versa
  bool FLoading = false;
  bool FDestroying = false;
};

// An ordered list of texts. Index-based access; subclasses store the texts
// (TStringList in memory, a combo box in its items).
class TStrings : public TPersistent {
 public:
  std::string ClassName() const override { return "TStrings"; }

  // The number of entries.
  virtual int Count() const = 0;
  // The entry at index (0 is the first).
  virtual std::string Get(int index) const = 0;
  // Puts text before the entry at index (at Count: after the last).
  virtual void Insert(int index, const std::string& text) = 0;
  // Removes the entry at index.
  virtual void Delete(int index) = 0;
  // Removes every entry.
  virtual void Clear() = 0;

  // The entry at index, as Get.
  std::string operator[](int index) const { return Get(index); }
  // Appends text; its index.
  int Add(const std::string& text);
  // Index of the first entry equal to text ignoring letter case, or -1.
  int IndexOf(const std::string& text) const;
  // Copies another TStrings' texts (replacing these).
  void Assign(const TPersistent& source) override;
  // The entries as a vector, in order.
  std::vector<std::string> ToVector() const;
};

// A TStrings that keeps its entries in memory.
class TStringList : public TStrings {
 public:
  TStringList() = default;
  // A list of the given texts, in order.
  TStringList(std::initializer_list<std::string> texts) : FItems(texts) {}
  std::string ClassName() const override { return "TStringList"; }

  int Count() const override { return static_cast<int>(FItems.size()); }
  // An index outside the list raises Exception "List index out of bounds (<index>)".
  std::string Get(int index) const override;
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  void Clear() override { FItems.clear(); }  // removes every entry

  // Orders the entries by their text ignoring letter case (CompareText);
  // equal entries all stay, in their former order.
  void Sort();

 private:
  std::vector<std::string> FItems;
};
