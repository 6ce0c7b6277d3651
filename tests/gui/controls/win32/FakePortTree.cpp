#include "tests/gui/controls/FakePortTree.h"

#include <windows.h>

#include <atomic>

namespace controls_test {

namespace {

// Below HKEY_CURRENT_USER: one key per tree, named after the process and a count.
std::string NewKeyPath() {
  static std::atomic<int> count{0};
  return "Software\\dispenser-console-tests\\ports-" + std::to_string(::GetCurrentProcessId()) +
         "-" + std::to_string(++count);
}

}  // namespace

struct FakePortTree::Place {
  std::string path;
};

FakePortTree::FakePortTree(const std::vector<std::string>& ports)
    : place_(std::make_unique<Place>(Place{NewKeyPath()})) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, place_->path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
    return;  // the list then fails to read, as the test will say
  }
  int device = 0;
  for (const std::string& port : ports) {
    const std::string name = "\\Device\\Serial" + std::to_string(device++);
    ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                     static_cast<DWORD>(port.size() + 1));
  }
  ::RegCloseKey(key);
}

FakePortTree::~FakePortTree() {
  ::RegDeleteTreeA(HKEY_CURRENT_USER, place_->path.c_str());
  ::RegDeleteKeyA(HKEY_CURRENT_USER, place_->path.c_str());
}

std::string FakePortTree::Root() const {
  return "HKEY_CURRENT_USER\\" + place_->path;
}

}  // namespace controls_test
