#pragma once

// How a HEX file lays out its EEPROM data.
enum class EepromLayout {
    Auto,  // decided per file: Word when every byte at an odd address is 00, else Byte
    Word,  // location k at 0x4200 + 2k, as assemblers and compilers write it, with a 00 high byte
    Byte,  // location k at 0x4200 + k
};
