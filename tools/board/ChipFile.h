#pragma once

#include <QString>

class PinChip;

// The chip model's memories as an Intel HEX file in the program's address
// map: words at twice their address, ID words and the configuration word from
// 0x4000, the EEPROM a byte an address from 0x4200.
namespace ChipFile {
bool Save(const PinChip& chip, const QString& path);
// Words and bytes the file does not give stay erased. False on a record that
// cannot be read.
bool Load(PinChip& chip, const QString& path);
}  // namespace ChipFile
