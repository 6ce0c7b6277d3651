// Windows: the SIM port only (a pseudo-terminal behind a COM port gives Wine
// no comm events).
#include "tests/gui/console/DispenserLine.h"

namespace console_test {

std::vector<TLineKind> LineKinds() {
  return {lkSimPort};
}

std::unique_ptr<TDispenserLine> StartDispenser(TLineKind,
                                               const std::vector<std::string>& settings) {
  return StartSimPortDispenser(settings);
}

}  // namespace console_test
