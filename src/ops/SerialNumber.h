#pragma once

#include <QString>
#include <optional>

struct MemoryImage;

// Where a chip's serial number goes: the low four bits of the four ID words,
// most significant first, or BYTES bytes of the EEPROM from ADDR, most
// significant first. It goes into the image, so the verify checks it.
class SerialNumber {
public:
    // "id" or "eeprom:ADDR[:BYTES]" (ADDR in hexadecimal, BYTES 1 to 4, default 2).
    static std::optional<SerialNumber> Parse(const QString& place);

    // The largest number the place holds.
    long long Largest() const;
    // Whether the image, as loaded, already holds data where the number goes.
    bool CoversFileData(const MemoryImage& image) const;
    void Apply(MemoryImage& image, long long number) const;

private:
    SerialNumber(bool inIdWords, int eepromAddress, int bytes);

    bool inIdWords_;
    int eepromAddress_;
    int bytes_;
};
