// TRegistry over the per-user store file. Every call reads the file as it is
// now, and every write is one locked read-change-replace of the whole file,
// so two programs that share the store never lose each other's values.
#include "platform/runtime/Registry.h"

#include <cstdlib>
#include <mutex>

#include "platform/runtime/FileIO.h"
#include "platform/runtime/RegistryKeys.h"
#include "platform/runtime/posix/RegistryFile.h"

namespace {

std::mutex storeLock;
std::string storeFile;  // empty: the default

std::string StoreFile() {
  {
    std::lock_guard guard(storeLock);
    if (!storeFile.empty()) return storeFile;
  }
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string directory;
  if (config != nullptr && config[0] == '/') {
    directory = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    directory = std::string(home) + "/.config";
  } else {
    throw ERegistryException(
        "No place for the settings store: neither XDG_CONFIG_HOME nor HOME is set");
  }
  return directory + "/dispenser-console/registry";
}

RegistryFile Load(const std::string& file) {
  std::string text;
  FileIO::ReadAll(file, text);
  return RegistryFile::Parse(text, file);
}

// A key's path stands on one line of the store.
void CheckKeyName(const std::string& name) {
  if (name.find_first_of("\r\n") != std::string::npos) {
    throw ERegistryException("Invalid key name '" + name + "'");
  }
}

}  // namespace

struct TRegistry::Impl {
  const TRegistry& owner;

  std::string Full(const std::string& path) const {
    return RegistryKeys::FullName(owner.FRoot, path);
  }
  const RegistryValue* Find(const RegistryFile& file, const std::string& name) const {
    const RegistryKey* key = file.Find(Full(owner.FCurrent));
    return key == nullptr ? nullptr : key->Find(name);
  }
  void Write(const std::string& name, const std::function<void(RegistryValue&)>& set) const {
    const std::string file = StoreFile();
    FileIO::MakeDirectories(FileIO::DirectoryOf(file));
    FileIO::Update(file, [&](const std::string& old) {
      RegistryFile store = RegistryFile::Parse(old, file);
      set(store.Create(Full(owner.FCurrent)).Set(name));
      return store.Text();
    });
  }
};

TRegistry::TRegistry() : FImpl(std::make_unique<Impl>(Impl{*this})) {}

TRegistry::~TRegistry() = default;

void TRegistry::SetStoreFile(const std::string& path) {
  std::lock_guard guard(storeLock);
  storeFile = path;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  CheckKeyName(key);
  const std::string path = RegistryKeys::Resolve(FCurrent, key);
  if (path.empty() || KeyExists("\\" + path)) {
    FCurrent = path;
    return true;
  }
  if (!canCreate) return false;
  const std::string file = StoreFile();
  FileIO::MakeDirectories(FileIO::DirectoryOf(file));
  const std::string full = FImpl->Full(path);
  FileIO::Update(file, [&](const std::string& old) {
    RegistryFile store = RegistryFile::Parse(old, file);
    store.Create(full);
    return store.Text();
  });
  FCurrent = path;
  return true;
}

bool TRegistry::KeyExists(const std::string& key) const {
  const std::string path = RegistryKeys::Resolve(FCurrent, key);
  return path.empty() || Load(StoreFile()).Exists(FImpl->Full(path));
}

bool TRegistry::ValueExists(const std::string& name) const {
  return FImpl->Find(Load(StoreFile()), name) != nullptr;
}

std::string TRegistry::ReadString(const std::string& name) const {
  const RegistryFile store = Load(StoreFile());
  const RegistryValue* value = FImpl->Find(store, name);
  if (value == nullptr) return "";
  if (value->isInteger) RegistryKeys::InvalidType(name);
  return value->text;
}

std::int32_t TRegistry::ReadInteger(const std::string& name) const {
  const RegistryFile store = Load(StoreFile());
  const RegistryValue* value = FImpl->Find(store, name);
  if (value == nullptr || !value->isInteger) RegistryKeys::InvalidType(name);
  return value->number;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  FImpl->Write(name, [&](RegistryValue& stored) {
    stored.isInteger = false;
    stored.text = value;
    stored.number = 0;
  });
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
  FImpl->Write(name, [&](RegistryValue& stored) {
    stored.isInteger = true;
    stored.text.clear();
    stored.number = value;
  });
}
