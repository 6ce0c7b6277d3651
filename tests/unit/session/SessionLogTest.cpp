// The session log file: real files in a directory of the test's own.
#include "console/session/SessionLog.h"
#include "console/session/SessionRecorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <regex>

#include "tests/unit/runtime/TempDirectory.h"

namespace {

class SessionLog : public TempDirectory {};

const std::string kHeader = "# test log\ntime\tevent\tname\thex\ttext\n";

TEST_F(SessionLog, EachLineHasItsTimeAndFieldsAndIsInTheFileAtOnce) {
  TSessionLog log(Path("logs/deeper/s.tsv"), {"test log"});
  log.Write(leSent, "dispense", "02303042303030336703");
  log.Write(leShown, "Memo1", "", "a\ttab and\na line break");
  const std::string text = Contents(Path("logs/deeper/s.tsv"));  // not closed yet
  ASSERT_TRUE(text.starts_with(kHeader)) << text;
  const std::regex line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\t([^\n]*)\n)");
  std::vector<std::string> fields;
  for (std::sregex_iterator it(text.begin() + kHeader.size(), text.end(), line), end; it != end;
       ++it) {
    fields.push_back((*it)[1]);
  }
  EXPECT_EQ(fields, (std::vector<std::string>{"sent\tdispense\t02303042303030336703\t",
                                              "shown\tMemo1\t\ta tab and a line break"}));
}

TEST_F(SessionLog, AFullFileIsRotatedAndOnlyTheNewestRotatedFilesAreKept) {
  TSessionLog log(Path("s.tsv"), {"test log"}, 200);
  for (int i = 0; i < 100; ++i) log.Write(leNote, "", "", "line " + std::to_string(i));
  // Oldest first, each file begun with the header: the newest lines, in order, none twice.
  std::vector<int> numbers;
  for (unsigned n = TSessionLog::kKeptFiles + 1; n-- > 0;) {
    const std::string text = Contents(Path(n == 0 ? "s.tsv" : "s." + std::to_string(n) + ".tsv"));
    EXPECT_TRUE(text.starts_with(kHeader)) << n;
    EXPECT_LE(text.size(), 200u) << n;
    for (std::size_t at = text.find("\tline "); at != std::string::npos;
         at = text.find("\tline ", at + 1)) {
      numbers.push_back(std::stoi(text.substr(at + 6)));
    }
  }
  EXPECT_FALSE(std::filesystem::exists(Path("s.10.tsv")));
  ASSERT_GT(numbers.size(), 20u);
  for (std::size_t i = 0; i < numbers.size(); ++i)
    EXPECT_EQ(numbers[i], 100 - int(numbers.size() - i));
}

// A rotation that cannot make room (the oldest kept name is taken by a
// folder that cannot be dropped) keeps writing the current file: every line
// written stays, once, in order, and the recorder passes the news on once.
TEST_F(SessionLog, ARotationThatCannotRenameKeepsWritingTheCurrentFileAndLosesNothing) {
  std::filesystem::create_directories(Path("s.9.tsv/not a log"));
  std::vector<std::string> notices;
  TSessionRecorder recorder;
  recorder.Start(
      std::make_unique<TSessionLog>(Path("s.tsv"), std::vector<std::string>{"test log"}, 200), {},
      [&](const std::string& notice) { notices.push_back(notice); });
  for (int i = 0; i < 100; ++i) recorder.Note("line " + std::to_string(i));
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_TRUE(notices[0].starts_with("Cannot rotate the log file " + Path("s.tsv"))) << notices[0];
  EXPECT_NE(Contents(Path("s.tsv")).find("\tnote\t\t\t" + notices[0] + "\n"), std::string::npos);
  std::vector<int> numbers;
  for (unsigned n = TSessionLog::kKeptFiles; n-- > 0;) {
    const std::string text = Contents(Path(n == 0 ? "s.tsv" : "s." + std::to_string(n) + ".tsv"));
    for (std::size_t at = text.find("\tline "); at != std::string::npos;
         at = text.find("\tline ", at + 1)) {
      numbers.push_back(std::stoi(text.substr(at + 6)));
    }
  }
  std::vector<int> all(100);
  std::iota(all.begin(), all.end(), 0);
  EXPECT_EQ(numbers, all);
  EXPECT_TRUE(std::filesystem::exists(Path("s.9.tsv/not a log")));
}

TEST_F(SessionLog, NewSessionFilesNeverOverwriteOneAnother) {
  const auto at = std::chrono::system_clock::now();
  const std::string first = NewSessionLogPath(dir.string(), at);
  Put(first, "taken");
  const std::string second = NewSessionLogPath(dir.string(), at);
  EXPECT_TRUE(std::regex_match(first, std::regex(".*/session-\\d{8}-\\d{6}\\.tsv"))) << first;
  EXPECT_EQ(second, first.substr(0, first.size() - 4) + "-2.tsv");
}

}  // namespace
