#pragma once

#include "image/ChipGeometry.h"

#include <array>
#include <cstdint>

// The program's picture of the target's three memories, byte by byte as the
// HEX file gave them, with the low byte of each word at the even offset.
struct MemoryImage {
    // One byte more than the chip has in program memory and EEPROM: a record
    // that runs past a region's end may reach that far.
    static constexpr int kProgramImageBytes = 2 * ChipGeometry::kProgramWords + 1;
    static constexpr int kConfigImageBytes = 29;
    static constexpr int kEepromImageBytes = ChipGeometry::kEepromBytes + 1;
    static constexpr int kConfigWordOffset = 2 * ChipGeometry::kConfigWordLocation;
    // What a word the file does not give reads: 0x03FF, not the chip's erased 0x3FFF, on purpose.
    static constexpr std::uint16_t kBlankWord = 0x03FF;

    // The loader keeps nothing at the lone offset 16384, and every word reader
    // stops at the last whole word, below kProgramWordEnd, whatever ProgramTop says.
    static constexpr int kProgramWordEnd = 2 * ChipGeometry::kProgramWords;

    MemoryImage() { ClearImage(); }

    std::array<std::uint8_t, kProgramImageBytes> ProgramImage{};
    std::array<std::uint8_t, kConfigImageBytes> ConfigImage{};
    std::array<std::uint8_t, kEepromImageBytes> EepromImage{};
    std::int16_t ProgramTop = -1;
    std::int16_t EepromTop = -1;
    // Which bytes the file gave: what a run that skips empty blocks writes and checks.
    std::array<bool, kProgramImageBytes> ProgramGiven{};
    std::array<bool, kEepromImageBytes> EepromGiven{};

    void ClearImage();

    // The highest byte offset a word reader may visit: ProgramTop bounded to
    // the last whole word.
    int ProgramReadTop() const;
    // How many program words a reader visits: those up to ProgramReadTop.
    int ProgramReadWords() const { return (ProgramReadTop() + 2) / 2; }
    int ProgramWord(int offset) const;
    int ConfigWord(int offset) const;
    void SetConfigWord(int offset, int value);
    // Whether the file gave either byte of program word `word`.
    bool WordGiven(int word) const;
    // Word `word` as it stands after the file is written over an erased chip:
    // the bytes the file gave, the erased word's elsewhere.
    int WordOverErased(int word) const;
};
