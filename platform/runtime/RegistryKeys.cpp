#include "platform/runtime/RegistryKeys.h"

namespace RegistryKeys {

std::string Normalize(const std::string& path) {
  std::string out;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      if (!out.empty()) out += '\\';
      out += path.substr(start, end - start);
    }
    start = end + 1;
  }
  return out;
}

std::string Resolve(const std::string& current, const std::string& key) {
  if (!key.empty() && key[0] == '\\') return Normalize(key);
  return Normalize(current + "\\" + key);
}

std::string FullName(TRootKey root, const std::string& path) {
  const std::string rootName =
      root == TRootKey::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
  return path.empty() ? rootName : rootName + "\\" + path;
}

void InvalidType(const std::string& name) {
  throw ERegistryException("Invalid data type for '" + name + "'");
}

}  // namespace RegistryKeys

// Where a registry stands is the same on every system; only the store differs.
TRootKey TRegistry::RootKey() const {
  return FRoot;
}

void TRegistry::SetRootKey(TRootKey root) {
  FRoot = root;
  FCurrent.clear();
}

void TRegistry::CloseKey() {
  FCurrent.clear();
}

std::string TRegistry::CurrentPath() const {
  return FCurrent;
}
