// TRegistry on the Windows registry. The open key is kept as a path and
// opened for each call, so every call sees the registry as it is now.
#include "platform/runtime/Registry.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/runtime/RegistryKeys.h"
#include "platform/runtime/win32/SystemMessage.h"

namespace {

[[noreturn]] void Fail(const std::string& what, LONG status) {
  throw ERegistryException(what + ": " + SystemMessage(static_cast<unsigned long>(status)) + " (" +
                           IntToStr(static_cast<int>(status)) + ")");
}

// Closes the key when the scope ends (a root key is not closed).
class Key {
 public:
  Key() = default;
  ~Key() {
    if (FOwned) ::RegCloseKey(FKey);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* Receive() {
    FOwned = true;
    return &FKey;
  }
  void Borrow(HKEY key) { FKey = key; }
  HKEY Get() const { return FKey; }

 private:
  HKEY FKey = nullptr;
  bool FOwned = false;
};

}  // namespace

struct TRegistry::Impl {
  const TRegistry& owner;

  HKEY Root() const {
    return owner.FRoot == TRootKey::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  }
  std::string Full(const std::string& path) const {
    return RegistryKeys::FullName(owner.FRoot, path);
  }
  // Opens path below the root: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND or the failure.
  LONG Open(const std::string& path, REGSAM access, Key& key) const {
    if (path.empty()) {
      key.Borrow(Root());
      return ERROR_SUCCESS;
    }
    return ::RegOpenKeyExA(Root(), path.c_str(), 0, access, key.Receive());
  }
  // The open key, which must exist.
  void OpenCurrent(REGSAM access, Key& key) const {
    const LONG status = Open(owner.FCurrent, access, key);
    if (status != ERROR_SUCCESS)
      Fail("Cannot open registry key '" + Full(owner.FCurrent) + "'", status);
  }
  // The value's type and bytes; false when there is no such value.
  bool Query(const std::string& name, DWORD* type, std::vector<BYTE>* data) const {
    Key key;
    OpenCurrent(KEY_QUERY_VALUE, key);
    for (;;) {
      DWORD size = static_cast<DWORD>(data->size());
      const LONG status = ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, type,
                                             data->empty() ? nullptr : data->data(), &size);
      if (status == ERROR_FILE_NOT_FOUND) return false;
      if (status == ERROR_SUCCESS && !data->empty()) {
        data->resize(size);
        return true;
      }
      if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
        Fail("Cannot read '" + name + "' in registry key '" + Full(owner.FCurrent) + "'", status);
      }
      data->resize(size == 0 ? 1 : size);  // asked for the size (or it grew): again
    }
  }
  void Set(const std::string& name, DWORD type, const void* data, DWORD size) const {
    Key key;
    OpenCurrent(KEY_SET_VALUE, key);
    const LONG status =
        ::RegSetValueExA(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (status != ERROR_SUCCESS) {
      Fail("Cannot write '" + name + "' in registry key '" + Full(owner.FCurrent) + "'", status);
    }
  }
};

TRegistry::TRegistry() : FImpl(std::make_unique<Impl>(Impl{*this})) {}

TRegistry::~TRegistry() = default;

void TRegistry::SetStoreFile(const std::string&) {
  // Windows keeps the store in the registry itself.
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  const std::string path = RegistryKeys::Resolve(FCurrent, key);
  Key opened;
  LONG status = ERROR_SUCCESS;
  if (canCreate && !path.empty()) {
    status = ::RegCreateKeyExA(FImpl->Root(), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE, nullptr, opened.Receive(), nullptr);
  } else {
    status = FImpl->Open(path, KEY_READ, opened);
    if (status == ERROR_FILE_NOT_FOUND) return false;
  }
  if (status != ERROR_SUCCESS) Fail("Cannot open registry key '" + FImpl->Full(path) + "'", status);
  FCurrent = path;
  return true;
}

bool TRegistry::KeyExists(const std::string& key) const {
  const std::string path = RegistryKeys::Resolve(FCurrent, key);
  Key opened;
  const LONG status = FImpl->Open(path, KEY_READ, opened);
  // A key that may not be read is there all the same.
  return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

bool TRegistry::ValueExists(const std::string& name) const {
  DWORD type = 0;
  std::vector<BYTE> data;
  return FImpl->Query(name, &type, &data);
}

std::string TRegistry::ReadString(const std::string& name) const {
  DWORD type = 0;
  std::vector<BYTE> data(256);
  if (!FImpl->Query(name, &type, &data)) return "";
  if (type != REG_SZ && type != REG_EXPAND_SZ) RegistryKeys::InvalidType(name);
  std::string text(data.begin(), data.end());
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::int32_t TRegistry::ReadInteger(const std::string& name) const {
  DWORD type = 0;
  std::vector<BYTE> data(sizeof(DWORD));
  if (!FImpl->Query(name, &type, &data) || type != REG_DWORD || data.size() != sizeof(DWORD)) {
    RegistryKeys::InvalidType(name);
  }
  DWORD value = 0;
  std::memcpy(&value, data.data(), sizeof value);
  return static_cast<std::int32_t>(value);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  FImpl->Set(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
  const DWORD data = static_cast<DWORD>(value);
  FImpl->Set(name, REG_DWORD, &data, sizeof data);
}
