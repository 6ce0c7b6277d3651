#include "console/session/StoredSettings.h"

#include "platform/runtime/Registry.h"

TRestoreResult RestorePortSettings(TCustomComPort& port,
                                   const std::function<void(TCustomComPort&)>& layout) {
  std::string problem;
  try {
    TRegistry registry;
    if (!registry.OpenKey(kStoredSettingsKey, false)) return {roNothingStored, {}};
    if (registry.ReadString("Port").empty()) {
      problem = "no port name is stored";
    } else {
      port.ReadSettingsFromRegistry(registry);
      return {roRestored, {}};
    }
  } catch (const std::exception& error) {
    problem = error.what();
  }
  layout(port);
  return {roDamaged, problem};
}

void StorePortSettings(TCustomComPort& port) {
  TRegistry registry;
  registry.OpenKey(kStoredSettingsKey, true);
  port.WriteSettingsToRegistry(registry);
}
