#pragma once

#include <cstdint>

// The target chip and the HEX address map of its three memories, in one place.
namespace ChipGeometry {

// Program memory: 8192 words of 14 bits, at HEX byte addresses 0x0000-0x3FFF.
constexpr int kProgramWords = 8192;
constexpr int kProgramBase = 0x0000;
constexpr std::uint16_t kWordBits = 0x3FFF;  // the bits a program, ID or configuration word holds
constexpr std::uint16_t kErasedWord = 0x3FFF;

// Configuration area: ID words at locations 0-3, the configuration word at 7.
constexpr int kConfigBase = 0x4000;
constexpr int kIdWords = 4;
constexpr int kConfigWordLocation = 7;
// The configuration word reads back with these bits set, whatever was written.
constexpr std::uint16_t kConfigReadBackBits = 0x10B0;

// Data EEPROM: 256 bytes from HEX address 0x4200.
constexpr int kEepromBytes = 256;
constexpr int kEepromBase = 0x4200;
constexpr std::uint8_t kErasedByte = 0xFF;

}  // namespace ChipGeometry
