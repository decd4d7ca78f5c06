#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

class OperatorInterface;
class ProgrammerProtocol;

// Reads the whole chip back, with the same commands and location counting as
// the verify, so that it can be saved as a HEX file or checked for blank.
class ChipReader {
public:
    struct Contents {
        std::array<std::uint16_t, 8192> program{};
        std::array<std::uint8_t, 256> eeprom{};
        std::array<std::uint16_t, 4> ids{};
        std::uint16_t config = 0;
    };

    ChipReader(ProgrammerProtocol& protocol, OperatorInterface& ui);
    Contents ReadChip();

    // Intel HEX in the loader's address map. Erased words after the last
    // programmed one, and erased EEPROM bytes, are left out: inside the range
    // that is written every word must stand, as the loader's blank is not the
    // chip's erased value.
    static QByteArray ToHex(const Contents& chip);
    // The first location that is not erased, as the operator reads it; empty when the chip is blank.
    static QString FirstNotBlank(const Contents& chip);

private:
    ProgrammerProtocol& protocol_;
    OperatorInterface& ui_;
};
