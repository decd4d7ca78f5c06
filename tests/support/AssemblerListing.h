#pragma once

#include <QString>
#include <cstdint>
#include <map>

// What an assembler listing says the HEX file holds: byte values by HEX byte
// address, in the loader's address map (word w at 2w low and 2w+1 high, the
// configuration area from 0x4000, EEPROM bytes from 0x4200).
class AssemblerListing {
public:
    static std::map<int, std::uint8_t> Bytes(const QString& listingPath);
};
