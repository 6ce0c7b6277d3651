// The event set and the device's EV_ mask, both ways.
#include <gtest/gtest.h>

#include "serial/CPort.h"

namespace {

TEST(EventMask, EachEventHasItsOwnFlag) {
  const std::pair<TComEvent, std::uint32_t> table[] = {
      {evRxChar, 0x0001}, {evTxEmpty, 0x0004}, {evRxFlag, 0x0002}, {evRing, 0x0100},
      {evBreak, 0x0040},  {evCTS, 0x0008},     {evDSR, 0x0010},    {evError, 0x0080},
      {evRLSD, 0x0020},   {evRx80Full, 0x0400}};
  for (const auto& [event, flag] : table) {
    EXPECT_EQ(EventSetToMask(TComEvents{event}), flag) << int(event);
    EXPECT_EQ(MaskToEventSet(flag), TComEvents{event}) << int(event);
  }
}

TEST(EventMask, SetsConvertAsAWholeAndUnknownBitsAreDropped) {
  EXPECT_EQ(EventSetToMask(TComEvents::All()), 0x05FFu);
  EXPECT_EQ(EventSetToMask(TComEvents()), 0u);
  EXPECT_EQ(MaskToEventSet(0x0081), (TComEvents{evRxChar, evError}));
  EXPECT_TRUE(MaskToEventSet(0x0200).Empty());
  EXPECT_EQ(MaskToEventSet(0xFFFFFFFF), TComEvents::All());
}

// A batch is handled in one fixed order that names every event once, errors
// first, so OnError comes before OnRxChar of the same batch.
TEST(EventMask, TheHandlingOrderNamesEveryEventOnceErrorsFirst) {
  TComEvents seen;
  for (TComEvent event : kEventHandlingOrder) {
    EXPECT_FALSE(seen.Contains(event)) << int(event);
    seen.Include(event);
  }
  EXPECT_EQ(seen, TComEvents::All());
  EXPECT_EQ(kEventHandlingOrder[0], evError);
}

}  // namespace
