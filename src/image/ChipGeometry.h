#pragma once

#include <cstdint>
#include <optional>

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

// The family's members, told apart by the read-only device ID in configuration
// location 6: bits 13-5 name the device, bits 4-0 its revision.
constexpr int kDeviceIdLocation = 6;
constexpr std::uint16_t kRevisionBits = 0x001F;
struct FamilyMember {
    std::uint16_t idWord;  // with revision 0
    int programWords;
    int eepromBytes;
    int pins;
};
constexpr FamilyMember kFamily[] = {{0x0E40, 4096, 128, 28},
                                    {0x0E60, 4096, 128, 40},
                                    {0x0E00, 8192, 256, 28},
                                    {0x0E20, 8192, 256, 40}};

constexpr std::optional<FamilyMember> MemberWithId(int idWord)
{
    for (const FamilyMember& member : kFamily) {
        if ((idWord & ~kRevisionBits) == member.idWord)
            return member;
    }
    return std::nullopt;
}

// Data EEPROM: 256 bytes from HEX address 0x4200.
constexpr int kEepromBytes = 256;
constexpr int kEepromBase = 0x4200;
constexpr std::uint8_t kErasedByte = 0xFF;

}  // namespace ChipGeometry
