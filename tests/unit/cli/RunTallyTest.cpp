// What a burn-in run makes of the replies it counts, and its summaries.
#include "tools/cli/RunTally.h"

#include <gtest/gtest.h>

#include <sstream>

#include "console/protocol/HexText.h"

namespace {

// Counts one reply frame as the run does.
bool Count(TRunTally& tally, const std::string& hex) {
  const TReplyBlock block{hex.size() == 20 ? rbFrame : rbIncomplete, ParseHexText(hex)};
  return tally.CountFrame(block, DecodeReplyBlock(block));
}

TEST(RunTally, NotesErrorRepliesAndWrongChecksumsComeFromTheReplies) {
  TRunTally tally;
  EXPECT_FALSE(Count(tally, "02303062303031308503"));  // 10 notes
  EXPECT_TRUE(Count(tally, "02303045323030346D03"));   // jam: 4 out, shown as 3
  EXPECT_TRUE(Count(tally, "02303045313030356D03"));   // no notes: 5 as they are
  EXPECT_TRUE(Count(tally, "02303045393030307003"));   // receive error: no notes
  EXPECT_TRUE(Count(tally, "02303062303031308403"));   // wrong checksum: still 10 notes
  EXPECT_TRUE(Count(tally, "02303045"));               // cut off before its code
  EXPECT_EQ(tally.Notes, 28);
  EXPECT_EQ(tally.ChecksumErrors, 1u);
  EXPECT_EQ(tally.ErrorReplies, (std::map<std::string, unsigned>{{"E1", 1}, {"E2", 1}, {"E9", 1}}));
  EXPECT_EQ(tally.ErrorMeanings.at("E2"), "jam 1 or jam 2.");
}

TEST(RunTally, SummariesGiveTheCountsAndTheReplyTimesByNearestRank) {
  TRunTally tally;
  tally.Sent = 101;
  tally.Replies = 100;
  tally.Timeouts = 1;
  for (int ms = 100; ms >= 1; --ms) tally.ReplyMs.push_back(ms + 0.04);
  Count(tally, "02303045323030346D03");
  std::ostringstream text, json;
  tally.PrintText(text);
  tally.PrintJson(json);
  EXPECT_EQ(text.str(),
            "sent 101, replies 100, time-outs 1\n"
            "error replies:\n"
            "  E2  1  jam 1 or jam 2.\n"
            "notes dispensed: 3\n"
            "reply time: min 1.04 ms, median 50.04 ms, p99 99.04 ms, max 100.04 ms\n");
  EXPECT_EQ(json.str(),
            R"({"sent": 101, "replies": 100, "timeouts": 1, "error_replies": {"E2": 1}, )"
            R"("notes": 3, "reply_ms": {"min": 1.04, "median": 50.04, "p99": 99.04, "max": 100.04}, )"
            R"("unmatched": 0, "incomplete": 0, "checksum_errors": 0, "interrupted": false})"
            "\n");
  EXPECT_FALSE(tally.Passed());
}

// A frame start whose rest never came is no reply: counted, and the run
// fails with it even when every command was answered besides.
TEST(RunTally, CutOffFramesAreCountedIncompleteAndFailTheRun) {
  TRunTally tally;
  tally.Sent = 1;
  tally.Replies = 1;
  ASSERT_TRUE(tally.Passed());
  EXPECT_TRUE(Count(tally, "0230307330"));
  EXPECT_TRUE(Count(tally, "02"));
  EXPECT_FALSE(Count(tally, "0230307372303030D703"));
  EXPECT_EQ(tally.Incomplete, 2u);
  EXPECT_FALSE(tally.Passed());
  std::ostringstream text, json;
  tally.PrintText(text);
  tally.PrintJson(json);
  EXPECT_TRUE(text.str().starts_with("sent 1, replies 1, time-outs 0, incomplete 2\n"))
      << text.str();
  EXPECT_NE(json.str().find(R"("unmatched": 0, "incomplete": 2, )"), std::string::npos)
      << json.str();
}

}  // namespace
