#include "console/simulator/SimPortName.h"

#include "platform/runtime/SysUtils.h"

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

// One item: "name=value", a flag, or a fault by itself.
void ApplyItem(TDispenserSetup& setup, std::string_view item) {
  const std::size_t equals = item.find('=');
  const std::string_view name = item.substr(0, equals);
  if (equals != std::string_view::npos) {
    ApplyDispenserSetting(setup, name, item.substr(equals + 1));
  } else if (DispenserSettingForm(name) != sfNone) {
    ApplyDispenserSetting(setup, name, std::nullopt);
  } else {
    ApplyDispenserSetting(setup, "fault", item);
  }
}

}  // namespace

bool IsSimPortName(std::string_view name) {
  return SameLetters(name.substr(0, name.find(':')), kSimPortName);
}

void CheckPortName(std::string_view name) {
  if (IsSimPortName(name)) ParseSimPortName(name);
}

TDispenserSetup ParseSimPortName(std::string_view name) {
  if (!IsSimPortName(name)) {
    throw EConvertError("'" + std::string(name) + "' is no SIM port name");
  }
  TDispenserSetup setup;
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) return setup;
  std::string_view items = name.substr(colon + 1);
  for (;;) {
    const std::size_t comma = items.find(',');
    const std::string_view item = items.substr(0, comma);
    try {
      if (item.empty()) throw EConvertError("an item is empty");
      ApplyItem(setup, item);
    } catch (const EConvertError& e) {
      throw EConvertError(std::string(name) + ": " + e.Message());
    }
    if (comma == std::string_view::npos) return setup;
    items = items.substr(comma + 1);
  }
}
