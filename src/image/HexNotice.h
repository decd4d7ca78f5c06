#pragma once

#include "image/EepromLayout.h"

#include <QString>
#include <functional>

// Something the HEX loader tells the operator while it reads a file.
struct HexNotice {
    enum class Kind {
        UnknownRecord,  // text: the record type characters as taken (two, or fewer on a short line)
        BadAddress,  // address: the HEX address of the first byte not stored
        CannotOpen,  // text: the system's description of the failure
        CannotRead,  // text: the same, after the file was opened
        EepromLayoutUsed,  // layout: how the file's EEPROM data was read; only for files that have some
    };
    Kind kind;
    QString text;
    int address = 0;
    EepromLayout layout = EepromLayout::Auto;
};

using HexNoticeSink = std::function<void(const HexNotice&)>;
