// How a virtual dispenser behaves beyond its machine: the reply timing and the
// faults it raises. One set of settings, with one spelling, for dispenser-sim's
// options ("--delay 200") and the items of a SIM port name ("delay=200").
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/simulator/Faults.h"
#include "console/simulator/LineTime.h"
#include "console/simulator/LineTriggers.h"

struct TDispenserSetup {
  std::chrono::milliseconds Delay{};     // delay MS: before each reply
  bool Split = false;                    // split: each reply in two writes
  std::vector<TFault> Faults;            // fault KIND[@N][:NOTES], in order given
  std::optional<unsigned> MuteAfter;     // mute-after N: N replies, then none
  std::vector<TLineTrigger> LineEvents;  // line KIND@N|KIND/MS[*COUNT]: SIM ports only
  bool Fast = false;                     // fast: bytes cross the line at once, replies go whole
  TReceiver Receiver;  // receiver pty|uart|usb[:MS]: how the program's receiver cuts replies
};

inline constexpr std::chrono::milliseconds kMaxDelay{600'000};

// Whether `name` is a setting, and whether it takes a value.
enum TSettingForm : std::uint8_t { sfNone, sfFlag, sfValue };
TSettingForm DispenserSettingForm(std::string_view name);

// Applies one setting by its name: "delay", "fault", "mute-after", "line" and
// "receiver" with their value, "split" and "fast" without. Raises EConvertError naming the setting
// and what is wrong with its value (a flag given a value, a value missing, a number out of range).
void ApplyDispenserSetting(TDispenserSetup& setup, std::string_view name,
                           std::optional<std::string_view> value);
