// The dispenser's frame protocol: the ten-byte frame layout, its checksum rule
// and the eight fixed command frames the console sends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// One frame, in either direction: STX, '0', '0', a letter, four data
// characters, the checksum, ETX.
using TFrame = std::array<std::uint8_t, 10>;

// Bytes as they came over the line; received text is code page 949, never UTF-8.
using TRawBytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t STX = 0x02;
inline constexpr std::uint8_t ETX = 0x03;

// The low eight bits of the sum of a frame's bytes 1 to 8 (STX included,
// checksum and ETX excluded). `bytes` holds at least those eight bytes.
constexpr std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < 8 && i < bytes.size(); ++i) sum += bytes[i];
  return static_cast<std::uint8_t>(sum & 0xFF);
}

// True for ten bytes framed by STX and ETX whose byte 9 is their checksum.
constexpr bool IsValidFrame(std::span<const std::uint8_t> bytes) {
  return bytes.size() == 10 && bytes[0] == STX && bytes[9] == ETX &&
         bytes[8] == FrameChecksum(bytes);
}

// The commands the console sends, in the order of their buttons.
enum TDispenserCommand : std::uint8_t {
  dcDispense,
  dcCountQuery,
  dcButtonHoldOff,
  dcCountClear,
  dcErrorClear,
  dcCountErrorClear,
  dcButtonHoldOn,
  dcStateQuery,
};

inline constexpr std::array<TDispenserCommand, 8> DispenserCommands = {
    dcDispense,   dcCountQuery,      dcButtonHoldOff, dcCountClear,
    dcErrorClear, dcCountErrorClear, dcButtonHoldOn,  dcStateQuery,
};

// The fixed frames, indexed by command. The three clear commands share the
// letter I and differ in data character 4 (1 counter, 2 error, 3 both); the two
// hold commands share K (1010 holds, 0000 releases).
inline constexpr std::array<TFrame, 8> CommandFrames = {{
    {0x02, 0x30, 0x30, 0x42, 0x30, 0x30, 0x30, 0x33, 0x67, 0x03},  // B0003 g
    {0x02, 0x30, 0x30, 0x43, 0x30, 0x30, 0x30, 0x30, 0x65, 0x03},  // C0000 e
    {0x02, 0x30, 0x30, 0x4B, 0x30, 0x30, 0x30, 0x30, 0x6D, 0x03},  // K0000 m
    {0x02, 0x30, 0x30, 0x49, 0x30, 0x30, 0x30, 0x31, 0x6C, 0x03},  // I0001 l
    {0x02, 0x30, 0x30, 0x49, 0x30, 0x30, 0x30, 0x32, 0x6D, 0x03},  // I0002 m
    {0x02, 0x30, 0x30, 0x49, 0x30, 0x30, 0x30, 0x33, 0x6E, 0x03},  // I0003 n
    {0x02, 0x30, 0x30, 0x4B, 0x31, 0x30, 0x31, 0x30, 0x6F, 0x03},  // K1010 o
    {0x02, 0x30, 0x30, 0x53, 0x30, 0x30, 0x30, 0x30, 0x75, 0x03},  // S0000 u
}};

// The ten bytes the console writes for `command`.
constexpr const TFrame& CommandFrame(TDispenserCommand command) {
  return CommandFrames.at(command);
}

// The command's name in the tools: "dispense", "count-query",
// "button-hold-off", "count-clear", "error-clear", "count-error-clear",
// "button-hold-on", "state-query".
std::string_view CommandName(TDispenserCommand command);

// The command named `name` (exact, case-sensitive), or nothing.
std::optional<TDispenserCommand> FindCommand(std::string_view name);
