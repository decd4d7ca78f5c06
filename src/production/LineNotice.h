#pragma once

#include "image/HexNotice.h"
#include "ops/OperatorFacts.h"

#include <QString>
#include <variant>

// What a line tells beside its results, as facts that each face words.

// The production record cannot be written; the address is shown without its password.
struct RecordTrouble {
    QString address;
    QString problem;
};
// A serial number that does not fit where it goes.
struct SerialTooLarge {
    long long serial;
};
// The line of the serial number file that a chip got, recorded but not marked used in the file.
struct SerialLineUnmarked {
    QString file;
    int line = 0;
    QString problem;
};
// The serial number replaces data the file itself has at its place.
struct SerialOverFileData {};
// read: the chip was read, but its file could not be written.
struct FileNotWritten {
    QString file;
    QString problem;
};
// Any other word from the chip commands (a configuration word that is no number).
struct CommandMessage {
    QString text;
};

using LineNotice = std::variant<HexNotice, Failure, ChipDoubt, RecordTrouble, SerialTooLarge, SerialOverFileData,
                                SerialLineUnmarked, FileNotWritten, CommandMessage>;
