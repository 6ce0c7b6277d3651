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
  return table.openers.count(Key(name)) != 0;
}

std::optional<Device> DeviceRegistry::Open(const std::string& name, std::int32_t* error) {
  Opener opener;
  {
    Table& table = Registered();
    std::lock_guard lock(table.mu);
    const auto it = table.openers.find(Key(name));
    if (it == table.openers.end()) return std::nullopt;
    opener = it->second;
  }
  // Outside the table's lock: opening may take its time.
  *error = 0;
  std::shared_ptr<DeviceBackend> backend = opener(error);
  if (!backend) return Device();
  return Device(std::move(backend));
}

}  // namespace comm
