// The dispenser's behaviour: what it answers to each command frame, with its
// note counter, its button hold and its pending error.
//
// Replies use the command frame layout; their letter is the command's in
// lower case (E for a failed dispense):
//   C -> c 0TTT  total count, three digits (the counter rolls over at 1000)
//   B -> b 00NN  NN notes dispensed (always ten)
//   B -> E K0NN  fault of kind K; NN the notes out before it, plus the note it
//                stopped on for the mechanical kinds (the console shows NN - 1
//                for those), so that the console reports the notes out
//   S -> s r000  standby, s r011 buttons held, s e00K error K pending
//   I -> i DDDD  0001 clears the counter, 0002 the error, 0003 both
//   K -> k DDDD  1010 holds the start and clear buttons, 0000 releases them
// While an error is pending every dispense fails with it again, letting no
// note out, until an error clear. A dispenser that hangs (mute after N)
// answers N command frames and then ignores every frame, doing nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/protocol/DispenserFrames.h"
#include "console/simulator/Faults.h"

inline constexpr unsigned kNotesPerDispense = 10;
inline constexpr unsigned kCounterModulus = 1000;

// A frame with `letter` and four data characters, its checksum computed.
TFrame BuildFrame(char letter, std::string_view data);

// What the dispenser does with one frame: its reply, or why it ignores it.
struct TMachineAnswer {
  std::optional<TFrame> Reply;
  std::string Ignored;  // empty when answered
};

class TDispenserMachine {
 public:
  explicit TDispenserMachine(std::vector<TFault> faults = {},
                             std::optional<unsigned> muteAfter = std::nullopt);

  // Answers one frame (checksum already checked). Frames not addressed "00",
  // with data that is not four digits, with an unknown letter, or I and K
  // frames with data they do not know, are ignored; so is every frame once
  // the machine has gone mute.
  TMachineAnswer Answer(const TFrame& frame);

  unsigned Answered() const { return FAnswered; }
  unsigned Total() const { return FTotal; }
  bool ButtonsHeld() const { return FButtonsHeld; }
  std::optional<TFaultKind> PendingError() const { return FPendingError; }
  unsigned DispenseRequests() const { return FDispenseRequests; }

 private:
  TFrame Dispense();
  TFrame FailedDispense(TFaultKind kind, unsigned notesOut);
  TFrame StateReply() const;
  TMachineAnswer AnswerFrame(const TFrame& frame);

  std::vector<TFault> FFaults;
  std::optional<unsigned> FMuteAfter;
  unsigned FAnswered = 0;
  unsigned FTotal = 0;
  bool FButtonsHeld = false;
  std::optional<TFaultKind> FPendingError;
  unsigned FDispenseRequests = 0;
};
