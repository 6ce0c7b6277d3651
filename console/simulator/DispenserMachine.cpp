#include "console/simulator/DispenserMachine.h"

#include <algorithm>

#include "platform/runtime/SysUtils.h"

namespace {

// `value` as exactly `digits` decimal digits, zero-padded (value fits).
std::string Digits(unsigned value, std::size_t digits) {
  std::string text = IntToStr(value);
  return std::string(digits - std::min(digits, text.size()), '0') + text;
}

char CodeDigit(TFaultKind kind) {
  return static_cast<char>('0' + kind);
}

}  // namespace

TFrame BuildFrame(char letter, std::string_view data) {
  TFrame frame{STX, '0', '0', static_cast<std::uint8_t>(letter)};
  for (std::size_t i = 0; i < 4; ++i) frame[4 + i] = static_cast<std::uint8_t>(data.at(i));
  frame[8] = FrameChecksum(frame);
  frame[9] = ETX;
  return frame;
}

TDispenserMachine::TDispenserMachine(std::vector<TFault> faults, std::optional<unsigned> muteAfter)
    : FFaults(std::move(faults)), FMuteAfter(muteAfter) {}

TMachineAnswer TDispenserMachine::Answer(const TFrame& frame) {
  if (FMuteAfter && FAnswered >= *FMuteAfter) {
    return {std::nullopt, "mute after " + IntToStr(*FMuteAfter) + " replies"};
  }
  TMachineAnswer answer = AnswerFrame(frame);
  if (answer.Reply) ++FAnswered;
  return answer;
}

TMachineAnswer TDispenserMachine::AnswerFrame(const TFrame& frame) {
  if (frame[1] != '0' || frame[2] != '0') return {std::nullopt, "not addressed 00"};
  const std::string data(frame.begin() + 4, frame.begin() + 8);
  if (!std::all_of(data.begin(), data.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return {std::nullopt, "data is not four digits"};
  }
  const char letter = static_cast<char>(frame[3]);
  switch (letter) {
    case 'B':
      return {Dispense(), {}};
    case 'C':
      return {BuildFrame('c', "0" + Digits(FTotal, 3)), {}};
    case 'S':
      return {StateReply(), {}};
    case 'I':
      if (data != "0001" && data != "0002" && data != "0003") break;
      if (data != "0002") FTotal = 0;
      if (data != "0001") FPendingError.reset();
      return {BuildFrame('i', data), {}};
    case 'K':
      if (data != "1010" && data != "0000") break;
      FButtonsHeld = data == "1010";
      return {BuildFrame('k', data), {}};
    default:
      return {std::nullopt, "unknown command letter '" + std::string(1, letter) + "'"};
  }
  return {std::nullopt, "unknown data " + data + " for " + std::string(1, letter)};
}

TFrame TDispenserMachine::Dispense() {
  ++FDispenseRequests;
  if (FPendingError) return FailedDispense(*FPendingError, 0);
  if (const auto fault = FaultFor(FFaults, FDispenseRequests)) {
    FPendingError = fault->Kind;
    return FailedDispense(fault->Kind, fault->NotesBefore);
  }
  FTotal = (FTotal + kNotesPerDispense) % kCounterModulus;
  return BuildFrame('b', "00" + Digits(kNotesPerDispense, 2));
}

TFrame TDispenserMachine::FailedDispense(TFaultKind kind, unsigned notesOut) {
  FTotal = (FTotal + notesOut) % kCounterModulus;
  const unsigned reported = notesOut + (CountsStoppedNote(kind) ? 1 : 0);
  return BuildFrame('E', std::string{CodeDigit(kind), '0'} + Digits(reported, 2));
}

TFrame TDispenserMachine::StateReply() const {
  if (FPendingError) return BuildFrame('s', std::string("e00") + CodeDigit(*FPendingError));
  return BuildFrame('s', FButtonsHeld ? "r011" : "r000");
}
