#include "console/protocol/DispenserFrames.h"

#include <gtest/gtest.h>

#include <set>

#include "console/protocol/HexText.h"

TEST(CommandFrame, EveryCommandHasItsFixedTenBytes) {
  const std::pair<TDispenserCommand, const char*> expected[] = {
      {dcDispense, "02303042303030336703"},      {dcCountQuery, "02303043303030306503"},
      {dcButtonHoldOff, "0230304B303030306D03"}, {dcCountClear, "02303049303030316C03"},
      {dcErrorClear, "02303049303030326D03"},    {dcCountErrorClear, "02303049303030336E03"},
      {dcButtonHoldOn, "0230304B313031306F03"},  {dcStateQuery, "02303053303030307503"},
  };
  for (const auto& [command, hex] : expected) {
    EXPECT_EQ(HexText(CommandFrame(command)), hex) << CommandName(command);
  }
}

TEST(CommandFrame, EveryFrameObeysTheChecksumRule) {
  for (const TDispenserCommand command : DispenserCommands) {
    const TFrame& frame = CommandFrame(command);
    unsigned sum = 0;
    for (int i = 0; i < 8; ++i) sum += frame[i];
    EXPECT_EQ(frame[8], sum % 256) << CommandName(command);
    EXPECT_EQ(frame.front(), 0x02);
    EXPECT_EQ(frame.back(), 0x03);
  }
}

TEST(FrameChecksum, MatchesTheStateRepliesAndRejectsDamagedFrames) {
  EXPECT_TRUE(IsValidFrame(ParseHexText("02 30 30 73 72 30 30 30 D7 03")));  // standby
  EXPECT_TRUE(IsValidFrame(ParseHexText("02 30 30 73 72 30 31 31 D9 03")));  // buttons held
  EXPECT_EQ(FrameChecksum(ParseHexText("02 30 30 42 30 30 30 33")), 0x67);   // sum 0x167
  EXPECT_FALSE(IsValidFrame(ParseHexText("02 30 30 73 72 30 30 30 D8 03")));
  EXPECT_FALSE(IsValidFrame(ParseHexText("02 30 30 73 72 30 30 30 D7 02")));
  EXPECT_FALSE(IsValidFrame(ParseHexText("02 30 30 73 72 30 30 30 D7")));
}

TEST(CommandName, NamesAreDistinctAndLeadBackToTheirCommand) {
  std::set<std::string_view> seen;
  for (const TDispenserCommand command : DispenserCommands) {
    EXPECT_TRUE(seen.insert(CommandName(command)).second) << CommandName(command);
    EXPECT_EQ(FindCommand(CommandName(command)), command);
  }
  EXPECT_EQ(CommandName(dcCountErrorClear), "count-error-clear");
  EXPECT_EQ(FindCommand("Dispense"), std::nullopt);
  EXPECT_EQ(FindCommand(""), std::nullopt);
}
