// The bytes of the throughput run: a pseudo-random sequence that the far end
// writes and the probe regenerates to check every byte it receives, so a
// byte lost, doubled or out of order shows.
#pragma once

#include <cstdint>

class TestStream {
 public:
  std::uint8_t Next() {
    // xorshift32: period 2^32 - 1, never stuck at zero.
    FState ^= FState << 13;
    FState ^= FState >> 17;
    FState ^= FState << 5;
    return static_cast<std::uint8_t>(FState >> 24);
  }

 private:
  std::uint32_t FState = 0x2545F491u;
};
