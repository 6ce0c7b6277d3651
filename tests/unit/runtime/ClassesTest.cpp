#include "platform/runtime/Classes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::string> journal;

class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
  ~Probe() override { journal.push_back("free " + Name()); }
  std::string ClassName() const override { return "Probe"; }
  TComponent* removed = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove) {
      removed = component;
      journal.push_back(Name() + " hears " + component->Name() + " go");
    }
  }
};

class Box : public TPersistent {
 public:
  std::string ClassName() const override { return "Box"; }
  int value = 0;

 protected:
  void AssignTo(TPersistent& dest) const override {
    if (auto* box = dynamic_cast<Box*>(&dest)) {
      box->value = value;
      return;
    }
    TPersistent::AssignTo(dest);
  }
};

class Other : public TPersistent {
 public:
  std::string ClassName() const override { return "Other"; }
};

}  // namespace

TEST(Component, OwnerFreesWhatItOwnsLastCreatedFirst) {
  journal.clear();
  auto* form = new Probe(nullptr, "form");
  new Probe(form, "a");
  new Probe(form, "b");
  EXPECT_EQ(form->ComponentCount(), 2);
  delete form;
  EXPECT_EQ(journal, (std::vector<std::string>{"free form", "free b", "free a"}));
}

TEST(Component, FreeingAnOwnedComponentLeavesTheOwnerAndTellsIt) {
  journal.clear();
  Probe form(nullptr, "form");
  auto* port = new Probe(&form, "port");
  const auto portAddress = reinterpret_cast<std::uintptr_t>(port);
  delete port;
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(form.removed), portAddress);
}

TEST(Component, FreeNotificationTellsTheListenerOnceAndForgetsBothWays) {
  journal.clear();
  Probe combo(nullptr, "combo");
  {
    Probe port(nullptr, "port");
    port.FreeNotification(&combo);
    port.FreeNotification(&combo);  // asking twice registers once
  }
  EXPECT_EQ(journal, (std::vector<std::string>{"free port", "combo hears port go"}));

  // Either side may go first: the one left behind hears it and forgets it.
  journal.clear();
  {
    Probe port(nullptr, "port2");
    {
      Probe led(nullptr, "led");
      port.FreeNotification(&led);
    }
  }
  EXPECT_EQ(journal, (std::vector<std::string>{"free led", "port2 hears led go", "free port2"}));
}

TEST(Component, LoadingLastsUntilLoaded) {
  Probe c(nullptr, "c");
  EXPECT_FALSE(c.Loading());
  c.BeginLoading();
  EXPECT_TRUE(c.Loading());
  c.Loaded();
  EXPECT_FALSE(c.Loading());
}

TEST(Persistent, AssignAsksTheSourceAndRefusesOtherClasses) {
  Box a, b;
  a.value = 7;
  b.Assign(a);
  EXPECT_EQ(b.value, 7);

  Other other;
  try {
    b.Assign(other);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a Other to a Box");
  }
  EXPECT_EQ(b.value, 7);
}

TEST(StringList, SortIgnoresCaseAndKeepsEqualEntries) {
  TStringList list{"COM3", "com10", "COM1", "COM10", "COM2"};
  list.Sort();
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"COM1", "com10", "COM10", "COM2", "COM3"}));
  EXPECT_EQ(list.IndexOf("Com2"), 3);
  EXPECT_EQ(list.IndexOf("COM9"), -1);
}

TEST(StringList, AssignReplacesTheContents) {
  TStringList source{"a", "b"};
  TStringList dest{"x"};
  dest.Assign(source);
  EXPECT_EQ(dest.ToVector(), (std::vector<std::string>{"a", "b"}));
}

TEST(StringList, IndexOutsideTheListRaisesAndChangesNothing) {
  TStringList list{"a", "b"};
  for (int bad : {-1, 2}) {
    EXPECT_THROW(list.Get(bad), Exception) << bad;
    EXPECT_THROW(list.Delete(bad), Exception) << bad;
  }
  EXPECT_THROW(list.Insert(3, "x"), Exception);
  EXPECT_THROW(list.Insert(-1, "x"), Exception);
  list.Insert(2, "c");  // at the end is inside
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"a", "b", "c"}));
}
