#include "console/simulator/LineTriggers.h"

#include "platform/runtime/Decimal.h"
#include "platform/runtime/SysUtils.h"

namespace {

constexpr std::string_view kKindNames[] = {"break", "framing", "parity", "overrun", "rx-over",
                                           "cts",   "dsr",     "ring",   "rlsd"};

unsigned Number(std::string_view text, std::uint64_t max, const std::string& what) {
  const auto n = ParseDecimal(text, max);
  if (!n || *n == 0) {
    throw EConvertError(what + " '" + std::string(text) + "' is not a number from 1 to " +
                        IntToStr(static_cast<std::int64_t>(max)));
  }
  return static_cast<unsigned>(*n);
}

}  // namespace

TLineTrigger ParseLineTrigger(std::string_view text) {
  TLineTrigger trigger;
  std::string_view rest = text;
  if (const std::size_t star = rest.find('*'); star != std::string_view::npos) {
    trigger.Count = Number(rest.substr(star + 1), kMaxLineBurst, "count");
    rest = rest.substr(0, star);
  }
  const std::size_t mark = rest.find_first_of("@/");
  if (mark == std::string_view::npos) {
    throw EConvertError("'" + std::string(text) + "' says neither @N nor /MS");
  }
  const std::string_view kind = rest.substr(0, mark);
  bool known = false;
  for (std::size_t i = 0; i < std::size(kKindNames); ++i) {
    if (kKindNames[i] == kind) {
      trigger.Kind = static_cast<TLineTriggerKind>(i);
      known = true;
    }
  }
  if (!known) {
    throw EConvertError("unknown line event '" + std::string(kind) + "' (one of " +
                        LineTriggerKindNames() + ")");
  }
  if (rest[mark] == '@') {
    trigger.AfterCommand = Number(rest.substr(mark + 1), 1'000'000'000, "command");
  } else {
    trigger.Period = std::chrono::milliseconds(Number(rest.substr(mark + 1), 600'000, "period"));
  }
  return trigger;
}

std::string LineTriggerKindNames() {
  std::string names;
  for (std::string_view name : kKindNames) {
    if (!names.empty()) names += ", ";
    names += name;
  }
  return names;
}
