// Line events as people and programs read them, and a burst summed up.
#include "console/session/LineEvents.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using TClock = TLineEventBursts::TClock;

// A single event's text the monitor and window tests hold; a summary's here.
TEST(LineEvents, ASummaryTellsItsCountAndAModemLinesLatestState) {
  EXPECT_EQ(LineEventText({lkParity, false, 3}), "parity error × 3 in 1 s");
  EXPECT_EQ(LineEventText({lkRLSD, false, 40}), "RLSD × 40 in 1 s, now off");
  TComErrors errors;
  for (TComError e : {ceBreak, ceRxOver, ceFrame, ceOverrun, ceRxParity, ceTxFull})
    errors.Include(e);
  EXPECT_EQ(LineErrorKinds(errors),
            (std::vector<TLineEventKind>{lkFraming, lkParity, lkOverrun, lkRxOver}));
}

TEST(LineEventBursts, TenThousandErrorsInASecondAreTwoLines) {
  TLineEventBursts bursts;
  const TClock::time_point start{};
  std::vector<TLineEvent> shown;
  for (int i = 0; i < 10'000; ++i) {
    for (const TLineEvent& e : bursts.Add({lkFraming}, start + i * 100us)) shown.push_back(e);
  }
  // A break in the same second is a kind of its own: shown at once.
  EXPECT_EQ(bursts.Add({lkBreak}, start + 500ms), (std::vector<TLineEvent>{{lkBreak}}));
  EXPECT_EQ(shown, (std::vector<TLineEvent>{{lkFraming}}));
  EXPECT_EQ(bursts.NextDue(), start + 1s);
  EXPECT_TRUE(bursts.TakeDue(start + 999ms).empty());
  // The lone break's second ends without a summary.
  EXPECT_EQ(bursts.TakeDue(start + 2s), (std::vector<TLineEvent>{{lkFraming, false, 10'000}}));
  EXPECT_EQ(bursts.NextDue(), std::nullopt);
}

TEST(LineEventBursts, AnEventAfterItsSecondFirstClosesItWithTheLatestState) {
  TLineEventBursts bursts;
  const TClock::time_point start{};
  bursts.Add({lkCTS, true}, start);
  bursts.Add({lkCTS, false}, start + 10ms);
  bursts.Add({lkCTS, true}, start + 20ms);
  // No one asked for the summary in time: it comes before the next event.
  EXPECT_EQ(bursts.Add({lkCTS, false}, start + 3s),
            (std::vector<TLineEvent>{{lkCTS, true, 3}, {lkCTS, false}}));
}

}  // namespace
