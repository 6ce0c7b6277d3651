// Code page 949's double-byte characters built into the program, so that no
// conversion module is needed at run time: runs of trail bytes of one lead
// byte whose characters follow each other in Unicode. The data is generated
// (Cp949RunsData.cpp, by tools/codepage/make-cp949-runs).
#pragma once

#include <cstddef>
#include <cstdint>

struct TCp949Run {
  std::uint8_t Lead;
  std::uint8_t FirstTrail;
  std::uint8_t Count;
  char16_t First;  // the character of FirstTrail; the next trails' follow it
};

// Sorted by lead byte, then trail byte; no two overlap.
extern const TCp949Run kCp949Runs[];
extern const std::size_t kCp949RunCount;

// The character of the pair by the built-in runs, or 0 when the pair is none.
char32_t BuiltInCp949Character(std::uint8_t lead, std::uint8_t trail);
