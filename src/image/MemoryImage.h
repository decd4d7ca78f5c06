#pragma once

#include <array>
#include <cstdint>

// The program's picture of the target's three memories, byte by byte as the
// HEX file gave them, with the low byte of each word at the even offset.
struct MemoryImage {
    static constexpr int kProgramBytes = 16385;  // offsets 0 to 16384
    static constexpr int kConfigBytes = 29;      // offsets 0 to 28
    static constexpr int kEepromBytes = 257;     // offsets 0 to 256
    static constexpr int kConfigWordOffset = 14;

    // The chip has 8192 program words (offsets 0 to 16383). The loader keeps
    // nothing at the lone offset 16384, and every word reader stops at the last
    // whole word, below kProgramWordEnd, whatever ProgramTop says.
    static constexpr int kProgramWordEnd = 16384;

    std::array<std::uint8_t, kProgramBytes> ProgramImage{};
    std::array<std::uint8_t, kConfigBytes> ConfigImage{};
    std::array<std::uint8_t, kEepromBytes> EepromImage{};
    std::int16_t ProgramTop = 0;
    std::int16_t EepromTop = 0;

    void ClearImage();

    // The highest byte offset a word reader may visit: ProgramTop bounded to
    // the last whole word.
    int ProgramReadTop() const;
    int ProgramWord(int offset) const;
    int ConfigWord(int offset) const;
};
