#pragma once

#include <QByteArray>
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

// Where a chip's serial number goes, most significant part first unless said
// otherwise: the low four bits of the four ID words; BYTES bytes of the
// EEPROM; BYTES RETLW words (0x34kk) of program memory, as a firmware's table
// reads them; or COUNT raw 14-bit words. It goes into the image, so the verify
// checks it.
class SerialPlace {
public:
    // "id", "eeprom:ADDR[:BYTES]", "retlw:ADDR[:BYTES[:lsb]]" or "words:ADDR[:COUNT]"
    // (ADDR in hexadecimal, BYTES and COUNT 1 to 4, default 2).
    static std::optional<SerialPlace> Parse(const QString& place);
    // Whether a program word may take a chip's own data: one the file leaves
    // blank, or a RETLW that a firmware's table reserves.
    static bool TakesChipData(const MemoryImage& image, int word);

    // The largest number the place holds.
    long long Largest() const;
    // Whether the image, as loaded, already holds data where the number goes.
    bool CoversFileData(const MemoryImage& image) const;
    // The first program word where the file has code that the number would replace.
    std::optional<int> CodeUnder(const MemoryImage& image) const;
    void Apply(MemoryImage& image, long long number) const;
    // The number as one Intel HEX line, as a serial number file holds it (EEPROM in the word layout).
    QByteArray NumberLine(long long number) const;

private:
    enum class Kind { Id, Eeprom, Retlw, Words };
    SerialPlace(Kind kind, int address, int count, bool lsbFirst);
    // Part k of the number, from the first location: a nibble, a byte or a 14-bit word.
    int Part(long long number, int k) const;
    int PartBits() const;

    Kind kind_;
    int address_;
    int count_;
    bool lsbFirst_;
};
