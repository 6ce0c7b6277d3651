// The one text form of every port setting, as selectors show it and settings
// stores hold it: the seven value tables, on/off flags ("Yes"/"No") and
// single characters ("A", "#17"). Conversions from text never fail: a text
// that matches nothing gives the table's fixed fallback.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "serial/CPortTypes.h"

// Entry n is the text of the enumerator with ordinal n.
inline constexpr std::array<std::string_view, 16> BaudRateTexts = {
    "Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
inline constexpr std::array<std::string_view, 3> StopBitsTexts = {"1", "1.5", "2"};
inline constexpr std::array<std::string_view, 4> DataBitsTexts = {"5", "6", "7", "8"};
inline constexpr std::array<std::string_view, 5> ParityTexts = {"None", "Odd", "Even", "Mark",
                                                                "Space"};
inline constexpr std::array<std::string_view, 4> FlowControlTexts = {"Hardware", "Software", "None",
                                                                     "Custom"};
inline constexpr std::array<std::string_view, 3> DTRTexts = {"Disable", "Enable", "Handshake"};
inline constexpr std::array<std::string_view, 4> RTSTexts = {"Disable", "Enable", "Handshake",
                                                             "Toggle"};

// Value to text: the table entry of the value.
std::string BaudRateToText(TBaudRate value);
std::string StopBitsToText(TStopBits value);
std::string DataBitsToText(TDataBits value);
std::string ParityToText(TParityBits value);
std::string FlowControlToText(TFlowControl value);
std::string DTRToText(TDTRFlowControl value);
std::string RTSToText(TRTSFlowControl value);

// Text to value: the first entry equal to the text when both are folded with
// UpperCase (nothing is trimmed), else the fallback: br9600, sbOneStopBit,
// dbEight, prNone, fcCustom, dtrDisable, rtsDisable.
TBaudRate TextToBaudRate(const std::string& text);
TStopBits TextToStopBits(const std::string& text);
TDataBits TextToDataBits(const std::string& text);
TParityBits TextToParity(const std::string& text);
TFlowControl TextToFlowControl(const std::string& text);
TDTRFlowControl TextToDTR(const std::string& text);
TRTSFlowControl TextToRTS(const std::string& text);

// "Yes" and "No"; a text is on exactly when it folds to "YES".
std::string BoolToText(bool value);
bool TextToBool(const std::string& text);

// Codes 33 to 127 are the character itself, every other code "#" and the
// decimal code ("#0", "#32", "#200"). TextToChar reads both forms back:
// the empty text is code 0, a text not starting with "#" (or "#" alone) is
// its first character, "#n" is the low 8 bits of n, and a "#" text whose
// number does not parse is code 0.
std::string CharToText(char value);
char TextToChar(const std::string& text);
