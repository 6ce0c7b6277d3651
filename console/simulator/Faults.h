// Dispense faults the virtual dispenser raises on demand: which error kind,
// on which dispense, after how many notes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The error kinds of an E reply, by their code digit 1 to 9.
enum TFaultKind : std::uint8_t {
  fkNoNotes = 1,       // no notes while dispensing at the host's request
  fkJam = 2,           // jam 1 or jam 2
  fkChain = 3,         // chain
  fkHalf = 4,          // half note
  fkShort = 5,         // short note
  fkNoNotesKey = 6,    // no notes while dispensing at the start key's request
  fkDouble = 7,        // double note
  fkOverCount = 8,     // over count
  fkReceiveError = 9,  // receive error during a communication test
};

// One fault: the kind, the dispense it hits (1 for the first dispense
// request since start; 0 for every one) and the notes that left the machine
// before it.
struct TFault {
  TFaultKind Kind = fkJam;
  unsigned Dispense = 0;
  unsigned NotesBefore = 4;

  friend bool operator==(const TFault&, const TFault&) = default;
};

// Notes a fault can let out before it stops the dispense: fewer than the ten
// a dispense gives.
inline constexpr unsigned kMaxNotesBeforeFault = 9;

// The kind's name on the command line: "no-notes", "jam", "chain", "half",
// "short", "no-notes-key", "double", "over-count", "receive-error".
std::string_view FaultKindName(TFaultKind kind);

// "KIND[@N][:NOTES]": KIND a name or its code digit, N the dispense it hits
// (every dispense without it), NOTES the notes out before it (default 4).
// Raises EConvertError naming what is wrong.
TFault ParseFault(std::string_view text);

// The fault that hits dispense request number `dispense` (from 1): the first
// listed that names it or every dispense.
std::optional<TFault> FaultFor(std::span<const TFault> faults, unsigned dispense);

// Whether the console reports one note less than the reply's count for this
// kind: the mechanical faults count the note they stopped on.
bool CountsStoppedNote(TFaultKind kind);

// Every kind's name, for usage texts: "no-notes, jam, ...".
std::string FaultKindNames();
