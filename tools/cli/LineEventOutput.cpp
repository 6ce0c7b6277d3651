#include "tools/cli/LineEventOutput.h"

#include <chrono>

#include "platform/runtime/Timestamp.h"

void PrintLineEvent(const TLineEvent& event, TEffectFormat format, std::ostream& out) {
  const std::string time = WallClockTimestamp(std::chrono::system_clock::now());
  if (format == efText) {
    out << "-- " << time << ", " << LineEventText(event) << '\n';
    return;
  }
  out << R"({"time": ")" << time << R"(", "event": ")" << LineEventName(event.Kind) << '"';
  if (event.Kind == lkCTS || event.Kind == lkDSR || event.Kind == lkRing || event.Kind == lkRLSD) {
    out << R"(, "on": )" << (event.On ? "true" : "false");
  }
  if (event.Count > 1) out << R"(, "count": )" << event.Count << R"(, "seconds": 1)";
  out << "}\n";
}
