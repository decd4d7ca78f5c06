#pragma once

struct MemoryImage;

// What Program! writes and Verify! reads. By default every block up to the
// file's highest word and every EEPROM byte up to its highest, the gaps with
// the image's blank value. Skipping empty blocks, only what the file gives,
// written over the erased chip, and the gaps left erased.
struct ProgramScope {
    bool skipEmpty = false;
    // With skipEmpty: the verify reads the gaps too, and expects them erased.
    bool checkGaps = false;

    // Whether the block of eight words from word first is loaded and written.
    bool WritesBlock(const MemoryImage& image, int first) const;
    // What program word w holds once Program! has run.
    int WordAfter(const MemoryImage& image, int w) const;
    // Whether the verify reads program word w.
    bool ChecksWord(const MemoryImage& image, int w) const;
    bool ChecksAnyWord(const MemoryImage& image, int first) const;
    bool WritesEeprom(const MemoryImage& image, int i) const;
    bool ChecksEeprom(const MemoryImage& image, int i) const;
    // One past the last program word, or EEPROM byte, that the verify reads.
    int CheckedWordsEnd(const MemoryImage& image) const;
    int CheckedEepromEnd(const MemoryImage& image) const;
    int WrittenEepromEnd(const MemoryImage& image) const;
};
