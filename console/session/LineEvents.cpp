#include "console/session/LineEvents.h"

namespace {

bool IsModemLine(TLineEventKind kind) {
  return kind == lkCTS || kind == lkDSR || kind == lkRing || kind == lkRLSD;
}

std::string_view PeopleName(TLineEventKind kind) {
  switch (kind) {
    case lkBreak:
      return "break";
    case lkFraming:
      return "framing error";
    case lkParity:
      return "parity error";
    case lkOverrun:
      return "overrun error";
    case lkRxOver:
      return "input queue overflow";
    case lkCTS:
      return "CTS";
    case lkDSR:
      return "DSR";
    case lkRing:
      return "RING";
    case lkRLSD:
      return "RLSD";
  }
  return "?";
}

}  // namespace

std::string_view LineEventName(TLineEventKind kind) {
  switch (kind) {
    case lkBreak:
      return "break";
    case lkFraming:
      return "framing-error";
    case lkParity:
      return "parity-error";
    case lkOverrun:
      return "overrun";
    case lkRxOver:
      return "rx-overflow";
    case lkCTS:
      return "cts";
    case lkDSR:
      return "dsr";
    case lkRing:
      return "ring";
    case lkRLSD:
      return "rlsd";
  }
  return "?";
}

std::string LineEventText(const TLineEvent& event) {
  std::string text(PeopleName(event.Kind));
  const char* state = event.On ? "on" : "off";
  if (event.Count > 1) {
    text += " × " + std::to_string(event.Count) + " in 1 s";
    if (IsModemLine(event.Kind)) text += std::string(", now ") + state;
  } else if (IsModemLine(event.Kind)) {
    text += std::string(" ") + state;
  }
  return text;
}

std::vector<TLineEventKind> LineErrorKinds(TComErrors errors) {
  std::vector<TLineEventKind> kinds;
  if (errors.Contains(ceFrame)) kinds.push_back(lkFraming);
  if (errors.Contains(ceRxParity)) kinds.push_back(lkParity);
  if (errors.Contains(ceOverrun)) kinds.push_back(lkOverrun);
  if (errors.Contains(ceRxOver)) kinds.push_back(lkRxOver);
  return kinds;
}

std::vector<TLineEvent> TLineEventBursts::Add(const TLineEvent& event, TClock::time_point now) {
  std::vector<TLineEvent> shown;
  std::optional<TWindow>& window = FWindows[event.Kind];
  if (window && now >= window->End) {
    if (auto summary = Close(event.Kind)) shown.push_back(*summary);
  }
  if (window) {
    ++window->Count;
    window->On = event.On;
    return shown;
  }
  window = TWindow{now + kWindow, 1, event.On};
  shown.push_back(event);
  return shown;
}

std::optional<TLineEventBursts::TClock::time_point> TLineEventBursts::NextDue() const {
  std::optional<TClock::time_point> earliest;
  for (const auto& window : FWindows) {
    if (window && (!earliest || window->End < *earliest)) earliest = window->End;
  }
  return earliest;
}

std::vector<TLineEvent> TLineEventBursts::TakeDue(TClock::time_point now) {
  std::vector<TLineEvent> summaries;
  for (std::size_t kind = 0; kind < kLineEventKinds; ++kind) {
    if (!FWindows[kind] || now < FWindows[kind]->End) continue;
    if (auto summary = Close(static_cast<TLineEventKind>(kind))) summaries.push_back(*summary);
  }
  return summaries;
}

std::optional<TLineEvent> TLineEventBursts::Close(TLineEventKind kind) {
  const TWindow window = *FWindows[kind];
  FWindows[kind].reset();
  if (window.Count < 2) return std::nullopt;
  return TLineEvent{kind, window.On, window.Count};
}
