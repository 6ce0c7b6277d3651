#include "console/simulator/DispenserSetup.h"

#include "platform/runtime/Decimal.h"
#include "platform/runtime/SysUtils.h"

namespace {

std::chrono::milliseconds ParseDelay(std::string_view text) {
  const auto ms = ParseDecimal(text, static_cast<std::uint64_t>(kMaxDelay.count()));
  if (!ms) {
    throw EConvertError("delay '" + std::string(text) +
                        "' is not a number of milliseconds from 0 to " +
                        IntToStr(kMaxDelay.count()));
  }
  return std::chrono::milliseconds(*ms);
}

}  // namespace

TSettingForm DispenserSettingForm(std::string_view name) {
  if (name == "split" || name == "fast") return sfFlag;
  if (name == "delay" || name == "fault" || name == "mute-after" || name == "line" ||
      name == "receiver") {
    return sfValue;
  }
  return sfNone;
}

void ApplyDispenserSetting(TDispenserSetup& setup, std::string_view name,
                           std::optional<std::string_view> value) {
  const TSettingForm form = DispenserSettingForm(name);
  const std::string label(name);
  if (form == sfNone) throw EConvertError("unknown setting '" + label + "'");
  if (form == sfFlag && value) throw EConvertError(label + " takes no value");
  if (form == sfValue && !value) throw EConvertError(label + " needs a value");
  if (name == "split") {
    setup.Split = true;
  } else if (name == "fast") {
    setup.Fast = true;
  } else if (name == "receiver") {
    setup.Receiver = ParseReceiver(*value);
  } else if (name == "delay") {
    setup.Delay = ParseDelay(*value);
  } else if (name == "mute-after") {
    const auto n = ParseDecimal(*value, 1'000'000'000);
    if (!n) throw EConvertError("mute-after '" + std::string(*value) + "' is not a number of replies");
    setup.MuteAfter = static_cast<unsigned>(*n);
  } else if (name == "line") {
    try {
      setup.LineEvents.push_back(ParseLineTrigger(*value));
    } catch (const EConvertError& e) {
      throw EConvertError("line: " + e.Message());
    }
  } else if (name == "fault") {
    try {
      setup.Faults.push_back(ParseFault(*value));
    } catch (const EConvertError& e) {
      throw EConvertError("fault: " + e.Message());
    }
  }
}
