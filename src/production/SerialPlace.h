#pragma once

#include <QString>
#include <optional>

struct MemoryImage;

// The serial numbers a run gives out: from first, in steps of step.
struct SerialSequence {
    long long first = 0;
    long long step = 1;

    // "START[:STEP]", START from 0 and STEP from 1.
    static std::optional<SerialSequence> Parse(const QString& text);
};

// Where a chip's serial number goes: the low four bits of the four ID words,
// most significant first, or BYTES bytes of the EEPROM from ADDR, most
// significant first. It goes into the image, so the verify checks it.
class SerialPlace {
public:
    // "id" or "eeprom:ADDR[:BYTES]" (ADDR in hexadecimal, BYTES 1 to 4, default 2).
    static std::optional<SerialPlace> Parse(const QString& place);

    // The largest number the place holds.
    long long Largest() const;
    // Whether the image, as loaded, already holds data where the number goes.
    bool CoversFileData(const MemoryImage& image) const;
    void Apply(MemoryImage& image, long long number) const;

private:
    SerialPlace(bool inIdWords, int eepromAddress, int bytes);

    bool inIdWords_;
    int eepromAddress_;
    int bytes_;
};
