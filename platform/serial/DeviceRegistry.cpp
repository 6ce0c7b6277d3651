#include "platform/serial/DeviceRegistry.h"

#include <map>
#include <mutex>

#include "platform/serial/DeviceBackend.h"

namespace comm {

namespace {

std::string Key(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

struct Table {
  std::mutex mu;
  std::map<std::string, DeviceRegistry::Opener> openers;
  std::map<std::string, DeviceRegistry::FamilyOpener> families;
};

Table& Registered() {
  static Table table;
  return table;
}

}  // namespace

bool DeviceRegistry::Register(const std::string& name, Opener opener) {
  Table& table = Registered();
  std::lock_guard lock(table.mu);
  return table.openers.emplace(Key(name), std::move(opener)).second;
}

void DeviceRegistry::Unregister(const std::string& name) {
  Table& table = Registered();
  std::lock_guard lock(table.mu);
  table.openers.erase(Key(name));
}

bool DeviceRegistry::Contains(const std::string& name) {
  Table& table = Registered();
  std::lock_guard lock(table.mu);
  return table.openers.count(Key(name)) != 0 ||
         table.families.count(Key(name.substr(0, name.find(':')))) != 0;
}

bool DeviceRegistry::RegisterFamily(const std::string& prefix, FamilyOpener opener) {
  Table& table = Registered();
  std::lock_guard lock(table.mu);
  return table.families.emplace(Key(prefix), std::move(opener)).second;
}

void DeviceRegistry::UnregisterFamily(const std::string& prefix) {
  Table& table = Registered();
  std::lock_guard lock(table.mu);
  table.families.erase(Key(prefix));
}

std::optional<Device> DeviceRegistry::Open(const std::string& name, std::int32_t* error) {
  Opener opener;
  {
    Table& table = Registered();
    std::lock_guard lock(table.mu);
    if (const auto it = table.openers.find(Key(name)); it != table.openers.end()) {
      opener = it->second;
    } else if (const auto family = table.families.find(Key(name.substr(0, name.find(':'))));
               family != table.families.end()) {
      opener = [open = family->second, name](std::int32_t* e) { return open(name, e); };
    } else {
      return std::nullopt;
    }
  }
  // Outside the table's lock: opening may take its time.
  *error = 0;
  std::shared_ptr<DeviceBackend> backend = opener(error);
  if (!backend) return Device();
  return Device(std::move(backend));
}

}  // namespace comm
