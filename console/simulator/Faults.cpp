#include "console/simulator/Faults.h"

#include <array>

#include "platform/runtime/Decimal.h"
#include "platform/runtime/SysUtils.h"

namespace {

constexpr std::array<std::string_view, 9> kKindNames = {
    "no-notes",     "jam",    "chain",      "half",          "short",
    "no-notes-key", "double", "over-count", "receive-error",
};

// A decimal number of digits only, at most `limit`.
unsigned ParseNumber(std::string_view text, unsigned limit, std::string_view what) {
  const auto value = ParseDecimal(text, limit);
  if (!value) {
    throw EConvertError(std::string(what) + " '" + std::string(text) +
                        "' is not a number from 0 to " + IntToStr(limit));
  }
  return static_cast<unsigned>(*value);
}

TFaultKind ParseKind(std::string_view text) {
  if (text.size() == 1 && text[0] >= '1' && text[0] <= '9') {
    return static_cast<TFaultKind>(text[0] - '0');
  }
  for (std::size_t i = 0; i < kKindNames.size(); ++i) {
    if (kKindNames[i] == text) return static_cast<TFaultKind>(i + 1);
  }
  throw EConvertError("unknown fault kind '" + std::string(text) + "' (one of " + FaultKindNames() +
                      ", or a code from 1 to 9)");
}

}  // namespace

std::string_view FaultKindName(TFaultKind kind) {
  return kKindNames.at(kind - 1);
}

std::string FaultKindNames() {
  std::string names;
  for (const std::string_view name : kKindNames) {
    if (!names.empty()) names += ", ";
    names += name;
  }
  return names;
}

TFault ParseFault(std::string_view text) {
  TFault fault;
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    fault.NotesBefore = ParseNumber(text.substr(colon + 1), kMaxNotesBeforeFault, "note count");
    text = text.substr(0, colon);
  }
  const std::size_t at = text.find('@');
  if (at != std::string_view::npos) {
    fault.Dispense = ParseNumber(text.substr(at + 1), 1'000'000'000, "dispense number");
    if (fault.Dispense == 0) throw EConvertError("dispense numbers count from 1");
    text = text.substr(0, at);
  }
  fault.Kind = ParseKind(text);
  return fault;
}

std::optional<TFault> FaultFor(std::span<const TFault> faults, unsigned dispense) {
  for (const TFault& fault : faults) {
    if (fault.Dispense == 0 || fault.Dispense == dispense) return fault;
  }
  return std::nullopt;
}

bool CountsStoppedNote(TFaultKind kind) {
  return kind != fkNoNotes && kind != fkNoNotesKey && kind != fkReceiveError;
}
