// Com1's port and line settings kept from one run of the window to the
// next: in the registry store, under the program's key, written and read by
// the port's own persistence operations.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "serial/CPort.h"

inline constexpr const char* kStoredSettingsKey = "\\Software\\dispenser-console\\Com1";

enum TRestoreOutcome : std::uint8_t {
  roRestored,       // the stored settings are the port's now
  roNothingStored,  // no key yet: the port keeps its values
  roDamaged,        // the store or a value could not be read: the port has its layout values
};

struct TRestoreResult {
  TRestoreOutcome Outcome;
  std::string Problem;  // for roDamaged: what could not be read
};

// Reads the stored settings into `port`, which is closed (and loading, so
// nothing reaches a device). A store that cannot be read whole (a damaged
// file, a value of the wrong type, no port name) leaves the port as
// `layout` sets it; it never raises.
TRestoreResult RestorePortSettings(TCustomComPort& port,
                                   const std::function<void(TCustomComPort&)>& layout);

// Writes the port's settings under the program's key. Raises what the store raises.
void StorePortSettings(TCustomComPort& port);
