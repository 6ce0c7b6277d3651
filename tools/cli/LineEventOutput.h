// monitor's line for what the line did between the blocks: a break, a line
// error, a modem-line change or a burst's summary (TLineEventWatch).
#pragma once

#include <ostream>

#include "console/session/LineEvents.h"
#include "tools/cli/EffectOutput.h"

// "-- TIME, framing error" or {"time": "...", "event": "framing-error"};
// a modem line adds "on": true or false, a summary "count": N, "seconds": 1.
void PrintLineEvent(const TLineEvent& event, TEffectFormat format, std::ostream& out);
