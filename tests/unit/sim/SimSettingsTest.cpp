// dispenser-sim's settings: fault specifications, the command line and
// when replies go out.
#include <gtest/gtest.h>

#include "console/simulator/ReplySchedule.h"
#include "console/simulator/SimPortName.h"
#include "tools/sim/SimOptions.h"

namespace {

TSimOptions Parse(std::vector<std::string_view> args) {
  return ParseSimOptions(args);
}

}  // namespace

TEST(FaultSpecification, KindByNameOrCodeWithOptionalDispenseAndNotes) {
  EXPECT_EQ(ParseFault("jam"), (TFault{fkJam, 0, 4}));
  EXPECT_EQ(ParseFault("2"), (TFault{fkJam, 0, 4}));
  EXPECT_EQ(ParseFault("no-notes-key@3"), (TFault{fkNoNotesKey, 3, 4}));
  EXPECT_EQ(ParseFault("over-count:0"), (TFault{fkOverCount, 0, 0}));
  EXPECT_EQ(ParseFault("9@12:9"), (TFault{fkReceiveError, 12, 9}));
  for (int code = 1; code <= 9; ++code) {
    const auto kind = static_cast<TFaultKind>(code);
    EXPECT_EQ(ParseFault(FaultKindName(kind)).Kind, kind);
  }
}

TEST(FaultSpecification, MalformedSpecificationsNameTheirFault) {
  const std::vector<std::pair<std::string, std::string>> wrong = {
      {"", "unknown fault kind ''"},
      {"0", "unknown fault kind '0'"},
      {"10", "unknown fault kind '10'"},
      {"Jam", "unknown fault kind 'Jam'"},
      {"jam@", "dispense number '' is not a number"},
      {"jam@0", "dispense numbers count from 1"},
      {"jam@-1", "dispense number '-1'"},
      {"jam@2x", "dispense number '2x'"},
      {"jam:10", "note count '10' is not a number from 0 to 9"},
      {"jam:", "note count ''"},
      {"jam:3@2", "note count '3@2'"},
  };
  for (const auto& [text, message] : wrong) {
    try {
      ParseFault(text);
      ADD_FAILURE() << text << " was accepted";
    } catch (const EConvertError& e) {
      EXPECT_NE(e.Message().find(message), std::string::npos) << text << ": " << e.Message();
    }
  }
}

TEST(FaultSpecification, TheFirstListedFaultForADispenseWins) {
  const std::vector<TFault> faults = {{fkJam, 2, 1}, {fkShort, 0, 2}, {fkHalf, 3, 3}};
  EXPECT_EQ(FaultFor(faults, 2), faults[0]);
  EXPECT_EQ(FaultFor(faults, 3), faults[1]);
  EXPECT_EQ(FaultFor(std::span(faults).subspan(2), 3), faults[2]);
  EXPECT_EQ(FaultFor(std::span(faults).subspan(2), 4), std::nullopt);
}

TEST(SimCommandLine, ReadsEveryOptionInBothSpellings) {
  const TSimOptions options = Parse({"--link", "/tmp/d", "--delay=250", "--split", "--log=/tmp/l",
                                     "--fault", "jam@2", "--fault=short", "--receiver=uart"});
  EXPECT_EQ(options.Link, "/tmp/d");
  EXPECT_EQ(options.Delay, std::chrono::milliseconds(250));
  EXPECT_TRUE(options.Split);
  EXPECT_EQ(options.LogFile, "/tmp/l");
  EXPECT_EQ(options.Faults, (std::vector<TFault>{{fkJam, 2, 4}, {fkShort, 0, 4}}));
  EXPECT_FALSE(options.Help);
  EXPECT_EQ(options.Receiver.Kind, rkUart);
  EXPECT_TRUE(Parse({"--fast"}).Fast);

  const TSimOptions none = Parse({});
  EXPECT_EQ(none.Delay, std::chrono::milliseconds(0));
  EXPECT_FALSE(none.Split);
  EXPECT_TRUE(none.Faults.empty());
  EXPECT_TRUE(Parse({"--help"}).Help);
}

TEST(SimCommandLine, WrongArgumentsAreRefusedWithTheReason) {
  const std::vector<std::pair<std::vector<std::string_view>, std::string>> wrong = {
      {{"--delay"}, "--delay needs a value"},
      {{"--delay", "-5"}, "--delay '-5' is not a number of milliseconds"},
      {{"--delay", "600001"}, "from 0 to 600000"},
      {{"--delay=1s"}, "--delay '1s'"},
      {{"--split=yes"}, "--split takes no value"},
      {{"--link="}, "--link needs a path"},
      {{"--fault", "jam@0"}, "--fault: dispense numbers count from 1"},
      {{"--port", "x"}, "unknown argument '--port'"},
      {{"extra"}, "unknown argument 'extra'"},
      {{"--line", "break@1"}, "--line: a pseudo-terminal carries no breaks"},
  };
  for (const auto& [args, message] : wrong) {
    try {
      Parse(args);
      ADD_FAILURE() << args[0] << " was accepted";
    } catch (const ESimUsage& e) {
      EXPECT_NE(e.Message().find(message), std::string::npos) << args[0] << ": " << e.Message();
    }
  }
}

TEST(SimPortName, SimInAnyLetterCaseWithOrWithoutItemsAndNothingElse) {
  for (const auto& [name, sim] :
       std::vector<std::pair<std::string_view, bool>>{{"SIM", true},
                                                      {"sim", true},
                                                      {"Sim:jam", true},
                                                      {"SIM:", true},
                                                      {"SIM1", false},
                                                      {"SIMULATOR", false},
                                                      {"COM1", false},
                                                      {"/dev/SIM", false},
                                                      {"", false}}) {
    EXPECT_EQ(IsSimPortName(name), sim) << name;
  }
}

TEST(SimPortName, ItemsAreTheSimulatorsSettingsWithABareFaultAsShorthand) {
  using namespace std::chrono_literals;
  struct TCase {
    std::string_view Name;
    std::chrono::milliseconds Delay{};
    bool Split = false;
    std::vector<TFault> Faults;
    std::optional<unsigned> MuteAfter;
    std::vector<TLineTrigger> LineEvents;
  };
  const std::vector<TCase> cases = {
      {"SIM", 0ms, false, {}, std::nullopt, {}},
      {"sim:jam@2:3", 0ms, false, {{fkJam, 2, 3}}, std::nullopt, {}},
      {"SIM:fault=short,delay=200,split", 200ms, true, {{fkShort, 0, 4}}, std::nullopt, {}},
      {"SIM:2,chain@3:0,delay=0", 0ms, false, {{fkJam, 0, 4}, {fkChain, 3, 0}}, std::nullopt, {}},
      {"SIM:mute-after=5", 0ms, false, {}, 5u, {}},
      {"SIM:line=break@2,jam,line=framing/250*10000,line=rlsd@1",
       0ms,
       false,
       {{fkJam, 0, 4}},
       std::nullopt,
       {{ltBreak, 2, 0ms, 1}, {ltFraming, 0, 250ms, 10'000}, {ltRLSD, 1, 0ms, 1}}},
  };
  for (const TCase& c : cases) {
    const TDispenserSetup setup = ParseSimPortName(c.Name);
    EXPECT_EQ(setup.Delay, c.Delay) << c.Name;
    EXPECT_EQ(setup.Split, c.Split) << c.Name;
    EXPECT_EQ(setup.Faults, c.Faults) << c.Name;
    EXPECT_EQ(setup.MuteAfter, c.MuteAfter) << c.Name;
    EXPECT_EQ(setup.LineEvents, c.LineEvents) << c.Name;
  }
  for (const auto& [name, message] : std::vector<std::pair<std::string_view, std::string>>{
           {"SIM:line=break", "'break' says neither @N nor /MS"},
           {"SIM:line=spark@1", "unknown line event 'spark' (one of break, framing,"},
           {"SIM:line=cts@0", "command '0' is not a number from 1"},
           {"SIM:line=ring/0", "period '0'"},
           {"SIM:line=dsr/10*0", "count '0'"},
           {"SIM:line=dsr/10*100001", "count '100001'"},
       }) {
    try {
      ParseSimPortName(name);
      ADD_FAILURE() << name << " was accepted";
    } catch (const EConvertError& e) {
      EXPECT_NE(e.Message().find(message), std::string::npos) << name << ": " << e.Message();
    }
  }
  const TDispenserSetup fast = ParseSimPortName("SIM:fast,receiver=usb:4");
  EXPECT_TRUE(fast.Fast);
  EXPECT_EQ(fast.Receiver, (TReceiver{rkUsb, 4ms}));
  EXPECT_FALSE(ParseSimPortName("SIM").Fast) << "real time unless asked";
  EXPECT_THROW(ParseSimPortName("COM1"), EConvertError);
  EXPECT_THROW(ParseSimPortName("SIM:mute-after=x"), EConvertError);
}

TEST(ReplySchedule, RepliesGoOutAfterTheDelayInTheOrderOfTheirCommands) {
  const TSimClock::time_point t0{};
  const TFrame a = CommandFrame(dcCountQuery), b = CommandFrame(dcStateQuery);
  TReplySchedule schedule(std::chrono::milliseconds(100), false);
  EXPECT_EQ(schedule.NextDue(), std::nullopt);
  schedule.Add(a, t0);
  schedule.Add(b, t0 + std::chrono::milliseconds(30));
  EXPECT_EQ(schedule.NextDue(), t0 + std::chrono::milliseconds(100));
  EXPECT_TRUE(schedule.TakeDue(t0 + std::chrono::milliseconds(99)).empty());
  auto due = schedule.TakeDue(t0 + std::chrono::milliseconds(100));
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].Bytes, std::vector<std::uint8_t>(a.begin(), a.end()));
  EXPECT_EQ(due[0].Part, 0);
  EXPECT_EQ(schedule.TakeDue(t0 + std::chrono::seconds(1)).at(0).Bytes,
            std::vector<std::uint8_t>(b.begin(), b.end()));
}

TEST(ReplySchedule, ASplitReplyIsTwoWritesAPauseApartAndTheNextWaitsForIt) {
  const TSimClock::time_point t0{};
  const TFrame a = CommandFrame(dcCountQuery);
  TReplySchedule schedule(std::chrono::milliseconds(0), true);
  schedule.Add(a, t0);
  schedule.Add(a, t0);
  const auto first = schedule.TakeDue(t0);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].Part, 1);
  EXPECT_EQ(first[0].Bytes, std::vector<std::uint8_t>(a.begin(), a.begin() + kSplitAt));
  EXPECT_EQ(schedule.NextDue(), t0 + kSplitPause);
  const auto rest = schedule.TakeDue(t0 + kSplitPause);
  ASSERT_EQ(rest.size(), 2u);
  EXPECT_EQ(rest[0].Part, 2);
  EXPECT_EQ(rest[0].Bytes, std::vector<std::uint8_t>(a.begin() + kSplitAt, a.end()));
  EXPECT_EQ(rest[1].Part, 1) << "the second reply starts after the first has ended";
  EXPECT_EQ(schedule.NextDue(), t0 + 2 * kSplitPause);
}
