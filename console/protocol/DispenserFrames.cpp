#include "console/protocol/DispenserFrames.h"

#include <algorithm>

namespace {

constexpr std::array<std::string_view, 8> kNames = {
    "dispense",    "count-query",       "button-hold-off", "count-clear",
    "error-clear", "count-error-clear", "button-hold-on",  "state-query",
};

}  // namespace

std::string_view CommandName(TDispenserCommand command) {
  return kNames.at(command);
}

std::optional<TDispenserCommand> FindCommand(std::string_view name) {
  const auto it = std::find(kNames.begin(), kNames.end(), name);
  if (it == kNames.end()) return std::nullopt;
  return static_cast<TDispenserCommand>(it - kNames.begin());
}

static_assert(std::all_of(CommandFrames.begin(), CommandFrames.end(),
                          [](const TFrame& frame) { return IsValidFrame(frame); }),
              "every command frame obeys the checksum rule");
