#pragma once

#include "image/ChipGeometry.h"
#include "ops/OperatorFacts.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The whole chip as read back: every program word, EEPROM byte, ID word and
// the configuration word with its read-back bits.
struct ChipContents {
    std::array<std::uint16_t, ChipGeometry::kProgramWords> program{};
    std::array<std::uint8_t, ChipGeometry::kEepromBytes> eeprom{};
    std::array<std::uint16_t, ChipGeometry::kIdWords> ids{};
    std::uint16_t config = 0;

    // Intel HEX in the loader's address map, EEPROM in the word layout. Erased words after the last
    // programmed one, and erased EEPROM bytes, are left out: inside the range
    // that is written every word must stand, as the loader's blank is not the
    // chip's erased value.
    QByteArray ToHex() const;
    // Writes ToHex() whole or not at all; empty on success, else why not.
    QString SaveHex(const QString& path) const;
    // The first location that is not erased, expected being the erased value.
    std::optional<Mismatch> FirstNotBlank() const;
};
