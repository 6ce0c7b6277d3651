#include "platform/runtime/Cp949Runs.h"

#include <algorithm>

char32_t BuiltInCp949Character(std::uint8_t lead, std::uint8_t trail) {
  const TCp949Run* const end = kCp949Runs + kCp949RunCount;
  // The last run that starts at or before the pair.
  const TCp949Run* run =
      std::upper_bound(kCp949Runs, end, std::pair{lead, trail},
                       [](const std::pair<std::uint8_t, std::uint8_t>& pair, const TCp949Run& r) {
                         return pair < std::pair{r.Lead, r.FirstTrail};
                       });
  if (run == kCp949Runs) return 0;
  --run;
  if (run->Lead != lead || trail - run->FirstTrail >= run->Count) return 0;
  return char32_t{run->First} + (trail - run->FirstTrail);
}
