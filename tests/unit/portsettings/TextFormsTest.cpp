// The text forms of the settings: both directions of every table, flags and
// single characters.
#include <gtest/gtest.h>

#include <string>

#include "serial/ComText.h"

namespace {

// Every enumerator of the table converts to its text and back to itself.
template <typename E, std::size_t N>
void ExpectRoundTrip(const std::array<std::string_view, N>& table, std::string (*toText)(E),
                     E (*fromText)(const std::string&)) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto value = static_cast<E>(i);
    EXPECT_EQ(fromText(toText(value)), value) << toText(value);
  }
}

}  // namespace

TEST(SettingTexts, EveryValueHasItsOwnTextAndReadsBackFromIt) {
  ExpectRoundTrip(BaudRateTexts, BaudRateToText, TextToBaudRate);
  ExpectRoundTrip(StopBitsTexts, StopBitsToText, TextToStopBits);
  ExpectRoundTrip(DataBitsTexts, DataBitsToText, TextToDataBits);
  ExpectRoundTrip(ParityTexts, ParityToText, TextToParity);
  ExpectRoundTrip(FlowControlTexts, FlowControlToText, TextToFlowControl);
  ExpectRoundTrip(DTRTexts, DTRToText, TextToDTR);
  ExpectRoundTrip(RTSTexts, RTSToText, TextToRTS);

  EXPECT_EQ(BaudRateToText(brCustom), "Custom");
  EXPECT_EQ(BaudRateToText(br110), "110");
  EXPECT_EQ(BaudRateToText(br56000), "56000");
  EXPECT_EQ(BaudRateToText(br256000), "256000");
  EXPECT_EQ(StopBitsToText(sbOne5StopBits), "1.5");
  EXPECT_EQ(DataBitsToText(dbFive), "5");
  EXPECT_EQ(ParityToText(prSpace), "Space");
  EXPECT_EQ(FlowControlToText(fcNone), "None");
  EXPECT_EQ(DTRToText(dtrHandshake), "Handshake");
  EXPECT_EQ(RTSToText(rtsToggle), "Toggle");
}

TEST(SettingTexts, TextThatMatchesNothingGivesTheTablesFallback) {
  EXPECT_EQ(TextToBaudRate(""), br9600);
  EXPECT_EQ(TextToBaudRate("9601"), br9600);
  EXPECT_EQ(TextToBaudRate("230400"), br9600);
  EXPECT_EQ(TextToStopBits("1,5"), sbOneStopBit);
  EXPECT_EQ(TextToDataBits("9"), dbEight);
  EXPECT_EQ(TextToDataBits(""), dbEight);
  EXPECT_EQ(TextToParity("Evn"), prNone);
  EXPECT_EQ(TextToFlowControl("Off"), fcCustom);
  EXPECT_EQ(TextToFlowControl(""), fcCustom);
  EXPECT_EQ(TextToDTR("Toggle"), dtrDisable);  // an RTS text only
  EXPECT_EQ(TextToRTS("On"), rtsDisable);
}

TEST(SettingTexts, LetterCaseIsFoldedButNothingIsTrimmed) {
  EXPECT_EQ(TextToBaudRate("custom"), brCustom);
  EXPECT_EQ(TextToBaudRate("CUSTOM"), brCustom);
  EXPECT_EQ(TextToParity("NONE"), prNone);
  EXPECT_EQ(TextToParity("eVeN"), prEven);
  EXPECT_EQ(TextToFlowControl("none"), fcNone);
  EXPECT_EQ(TextToFlowControl("software"), fcSoftware);
  EXPECT_EQ(TextToRTS("TOGGLE"), rtsToggle);
  EXPECT_EQ(TextToDTR("handshake"), dtrHandshake);

  EXPECT_EQ(TextToBaudRate(" 4800"), br9600);
  EXPECT_EQ(TextToBaudRate("4800 "), br9600);
  EXPECT_EQ(TextToParity("Odd\n"), prNone);
  EXPECT_EQ(TextToStopBits("2 "), sbOneStopBit);
  // Only ASCII letters fold: a byte above 127 stays as it is.
  EXPECT_EQ(TextToParity("N\xC3\x93NE"), prNone);
  EXPECT_EQ(TextToFlowControl("Hardware\xE9"), fcCustom);
}

TEST(SettingTexts, SharedTextsAreLookedUpInTheirOwnTable) {
  EXPECT_EQ(TextToParity("None"), prNone);
  EXPECT_EQ(TextToFlowControl("None"), fcNone);
  EXPECT_EQ(TextToDTR("Enable"), dtrEnable);
  EXPECT_EQ(TextToRTS("Enable"), rtsEnable);
  EXPECT_EQ(TextToBaudRate("Custom"), brCustom);
  EXPECT_EQ(TextToFlowControl("Custom"), fcCustom);
}

TEST(FlagTexts, OnlyYesInAnyCaseIsOn) {
  EXPECT_EQ(BoolToText(true), "Yes");
  EXPECT_EQ(BoolToText(false), "No");
  for (const char* on : {"Yes", "yes", "YES", "yEs"}) EXPECT_TRUE(TextToBool(on)) << on;
  for (const char* off : {"No", "True", "1", "Y", "", " Yes", "Yes ", "Yess", "On"}) {
    EXPECT_FALSE(TextToBool(off)) << off;
  }
}

TEST(CharacterTexts, PrintableCodesStandForThemselvesAndTheRestAreNumbered) {
  EXPECT_EQ(CharToText(0), "#0");
  EXPECT_EQ(CharToText(17), "#17");
  EXPECT_EQ(CharToText(' '), "#32");
  EXPECT_EQ(CharToText('!'), "!");
  EXPECT_EQ(CharToText('#'), "#");
  EXPECT_EQ(CharToText('A'), "A");
  EXPECT_EQ(CharToText(127), "\x7F");
  EXPECT_EQ(CharToText(static_cast<char>(128)), "#128");
  EXPECT_EQ(CharToText(static_cast<char>(200)), "#200");
  EXPECT_EQ(CharToText(static_cast<char>(255)), "#255");
}

TEST(CharacterTexts, TextToCharReadsTheFirstCharacterOrTheNumber) {
  EXPECT_EQ(TextToChar(""), 0);
  EXPECT_EQ(TextToChar("#"), '#');
  EXPECT_EQ(TextToChar("AB"), 'A');
  EXPECT_EQ(TextToChar(" #65"), ' ');
  EXPECT_EQ(TextToChar("#65"), 'A');
  EXPECT_EQ(TextToChar("#065"), 'A');
  EXPECT_EQ(TextToChar("#+66"), 'B');
  // The low 8 bits of the number.
  EXPECT_EQ(TextToChar("#300"), 44);
  EXPECT_EQ(TextToChar("#256"), 0);
  EXPECT_EQ(static_cast<unsigned char>(TextToChar("#-1")), 255);
}

TEST(CharacterTexts, BadNumberGivesCodeZero) {
  for (const char* bad : {"#x", "#A1", "# 6x", "# 6", "#6 ", "#--1", "#99999999999"}) {
    EXPECT_EQ(TextToChar(bad), 0) << bad;
  }
}

TEST(CharacterTexts, EveryCodeReadsBackFromItsText) {
  for (int code = 0; code < 256; ++code) {
    const char c = static_cast<char>(code);
    EXPECT_EQ(TextToChar(CharToText(c)), c) << code;
  }
}
